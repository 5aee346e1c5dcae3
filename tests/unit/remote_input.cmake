add_executable(remote_input_tests remote_input_test.cpp)
target_link_libraries(remote_input_tests PRIVATE kelcore kel_test_support GTest::gtest GTest::gmock)
gtest_discover_tests(remote_input_tests NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60
  PROPERTIES LABELS plain TIMEOUT 60 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
