# Chat: datagrams, acceptance, history, header lines, code page. No sockets.
kel_gtest(chat_tests
  chat_test.cpp
  LIBS kelcore kel_test_support)
