# The chat dialog and the frame's new-message signal, offscreen; the chat's
# own messages go over real multicast, so in the private namespace only.
kel_qtest(chat_window_tests
  ${CMAKE_CURRENT_LIST_DIR}/chat_window_test.cpp
  NETNS
  LIBS kelui kel_test_support)
