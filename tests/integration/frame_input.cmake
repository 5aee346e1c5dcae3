# The main frame's pointer, keys and bar buttons against the desk emulator
# on the fixed desk ports: private namespace only.
kel_qtest(frame_input_desk_tests
  ${CMAKE_CURRENT_LIST_DIR}/frame_input_desk_test.cpp
  NETNS
  LIBS kelui deskemu kel_test_support)
