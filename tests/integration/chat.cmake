# The chat over real multicast against the desk emulator, and
# kel-remote-cli chat: namespace runner only.
kel_gtest(chat_multicast_tests
  chat_multicast_test.cpp
  NETNS
  TIMEOUT 300
  LIBS kelcore deskemu kel_test_support)
target_compile_definitions(chat_multicast_tests PRIVATE
  KEL_REMOTE_CLI="$<TARGET_FILE:kel-remote-cli>")
add_dependencies(chat_multicast_tests kel-remote-cli)
