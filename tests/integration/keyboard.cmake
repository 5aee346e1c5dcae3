# The on-screen keyboard on the station's real frame against the desk
# emulator on the fixed desk ports: private namespace only.
kel_qtest(keyboard_desk_tests
  ${CMAKE_CURRENT_LIST_DIR}/keyboard_desk_test.cpp
  NETNS
  LIBS kelui deskemu kel_test_support)
