# Resident memory of the window over many connect/disconnect cycles. Desk
# ports and heartbeats: run it through scripts/netns-run.
if(TARGET kelui AND TARGET kel-desk-emulator)
  add_executable(bench_session_cycles ${CMAKE_CURRENT_LIST_DIR}/bench_session_cycles.cpp)
  target_link_libraries(bench_session_cycles PRIVATE kelui kel_test_support)
  target_compile_definitions(bench_session_cycles PRIVATE
    KEL_DESK_EMULATOR="$<TARGET_FILE:kel-desk-emulator>")
  add_dependencies(bench_session_cycles kel-desk-emulator)
endif()
