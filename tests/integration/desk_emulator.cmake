# The desk emulator against scripted stations and plain multicast sockets.
# The desk binds the fixed ports and sends multicast: private namespace only.
kel_gtest(desk_emulator_integration_tests
  desk_emulator_station.cpp
  desk_emulator_session_test.cpp
  desk_emulator_multicast_test.cpp
  NETNS
  LIBS deskemu)
