# The station's window against the desk emulator. Heartbeats are multicast:
# private namespace only.
kel_qtest(station_window_desk_tests
  ${CMAKE_CURRENT_LIST_DIR}/station_window_desk_test.cpp
  NETNS
  LIBS kelui deskemu kel_test_support)
