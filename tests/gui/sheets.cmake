# The settings sheet and the help sheets on the offscreen platform.
kel_qtest(sheet_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/sheet_window_test.cpp
  LIBS kelui kel_test_support)
