# Heartbeats over real multicast sockets, and the discover command against
# the desk emulator: namespace runner only.
kel_gtest(discovery_heartbeat_tests
  discovery_heartbeat_test.cpp
  NETNS
  LIBS kelcore deskemu kel_test_support)

kel_gtest(discovery_cli_tests
  discovery_cli_test.cpp
  NETNS
  LIBS kelcore deskemu)
target_compile_definitions(discovery_cli_tests PRIVATE
  KEL_REMOTE_CLI="$<TARGET_FILE:kel-remote-cli>")
add_dependencies(discovery_cli_tests kel-remote-cli)

# A heartbeat flood against the station's window: multicast, namespace only.
kel_qtest(heartbeat_flood_tests
  heartbeat_flood_test.cpp
  NETNS
  LIBS kelui kel_test_support)
