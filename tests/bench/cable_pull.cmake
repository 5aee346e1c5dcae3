# The desk's cable pulled during a session (the desk in a namespace of its
# own behind a veth pair). Changes network links: run it through
# scripts/netns-run.
if(TARGET kelui AND TARGET kel-desk-emulator)
  add_executable(bench_cable_pull ${CMAKE_CURRENT_LIST_DIR}/bench_cable_pull.cpp)
  target_link_libraries(bench_cable_pull PRIVATE kelui kel_test_support)
  target_compile_definitions(bench_cable_pull PRIVATE
    KEL_DESK_EMULATOR="$<TARGET_FILE:kel-desk-emulator>")
  add_dependencies(bench_cable_pull kel-desk-emulator)
endif()
