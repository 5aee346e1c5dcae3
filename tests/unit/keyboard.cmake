add_executable(keyboard_tests keyboard_test.cpp)
target_link_libraries(keyboard_tests PRIVATE kelcore kel_test_support GTest::gtest GTest::gtest_main)
gtest_discover_tests(keyboard_tests NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS plain TIMEOUT 60)
