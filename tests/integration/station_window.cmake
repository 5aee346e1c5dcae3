# The station's window against the desk emulator. Heartbeats are multicast:
# private namespace only.
kel_qtest(station_window_desk_tests
  ${CMAKE_CURRENT_LIST_DIR}/station_window_desk_test.cpp
  NETNS
  LIBS kelui deskemu kel_test_support)
# The program's teardown while a desk throws the station out. Fixed desk
# ports and the namespace's own TCP counters: private namespace.
kel_qtest(station_teardown_tests
  ${CMAKE_CURRENT_LIST_DIR}/station_teardown_test.cpp
  NETNS
  LIBS kelui kel_test_support)
