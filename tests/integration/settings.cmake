# Confirming the settings sheet against the desk emulator and the heartbeat
# group (multicast): private namespace only.
kel_qtest(settings_desk_tests
  ${CMAKE_CURRENT_LIST_DIR}/settings_desk_test.cpp
  NETNS
  LIBS kelui deskemu kel_test_support)
