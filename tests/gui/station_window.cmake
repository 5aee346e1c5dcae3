# The station's window on the offscreen platform.
kel_qtest(station_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/gui_test_main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handheld_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/encoder_button_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/display_surface_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_view_test.cpp
  LIBS kelui kel_test_support deskemu)
