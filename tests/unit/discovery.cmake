# Discovery and settings: desk table rules, datagrams, own address choice,
# settings store. No sockets are opened.
kel_gtest(discovery_tests
  discovery_desk_table_test.cpp
  discovery_heartbeat_datagram_test.cpp
  discovery_own_address_test.cpp
  settings_registry_test.cpp
  LIBS kelcore)
