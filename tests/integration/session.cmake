# The session and kel-remote-cli snapshot against the desk emulator on the
# fixed desk ports, in a private namespace.
kel_gtest(session_emulator_tests
  session_emulator_test.cpp
  session_snapshot_test.cpp
  NETNS
  TIMEOUT 300
  LIBS kelcore deskemu kel_test_support Qt6::Gui)
target_compile_definitions(session_emulator_tests PRIVATE
  KEL_REMOTE_CLI="$<TARGET_FILE:kel-remote-cli>")
add_dependencies(session_emulator_tests kel-remote-cli)

# Desks that break the protocol on purpose, met by the session and by
# kel-remote-cli snapshot; fixed desk ports, hence a private namespace.
kel_gtest(hostile_desk_tests
  hostile_desk_test.cpp
  NETNS
  TIMEOUT 300
  LIBS kelcore kel_test_support)
target_compile_definitions(hostile_desk_tests PRIVATE
  KEL_REMOTE_CLI="$<TARGET_FILE:kel-remote-cli>")
add_dependencies(hostile_desk_tests kel-remote-cli)

# kel-remote-cli's usage errors, help and version: no socket is opened.
kel_gtest(cli_usage_tests
  cli_usage_test.cpp
  LIBS Qt6::Core)
target_compile_definitions(cli_usage_tests PRIVATE
  KEL_REMOTE_CLI="$<TARGET_FILE:kel-remote-cli>" KEL_VERSION="${PROJECT_VERSION}")
add_dependencies(cli_usage_tests kel-remote-cli)
