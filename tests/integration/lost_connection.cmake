# The lost-connection dialog and the silent reconnect against the desk
# emulator; heartbeats are multicast: private namespace only.
kel_qtest(lost_connection_desk_tests
  ${CMAKE_CURRENT_LIST_DIR}/lost_connection_desk_test.cpp
  NETNS
  TIMEOUT 300
  LIBS kelui deskemu kel_test_support)
