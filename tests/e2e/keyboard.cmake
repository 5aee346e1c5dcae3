# The on-screen keyboard in the real station window under Xvfb, against the
# desk emulator (heartbeats are multicast: private namespace only).
kel_qtest(keyboard_e2e_tests
  ${CMAKE_CURRENT_LIST_DIR}/keyboard_e2e_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screen_checks.cpp
  NETNS
  TIMEOUT 300
  LIBS kelcore deskemu Qt6::Gui)
target_compile_definitions(keyboard_e2e_tests PRIVATE
  KEL_REMOTE_PROGRAM="$<TARGET_FILE:kel-remote>"
  KEL_ARTIFACT_DIR="${CMAKE_BINARY_DIR}/artifacts/e2e"
  KEL_RES_DIR="${CMAKE_SOURCE_DIR}/res")
add_dependencies(keyboard_e2e_tests kel-remote)
set_tests_properties(keyboard_e2e_tests PROPERTIES LABELS "e2e;netns" RUN_SERIAL TRUE)
