# Heartbeats over real multicast sockets, and the discover command against
# the desk emulator: namespace runner only.
kel_gtest(discovery_heartbeat_tests
  discovery_heartbeat_test.cpp
  NETNS
  LIBS kelcore deskemu)
