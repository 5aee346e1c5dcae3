# The GUI thread's worst stall while connecting, disconnecting, reconnecting
# and waiting for a slow desk. Desk ports and heartbeats: run it through
# scripts/netns-run.
if(TARGET kelui AND TARGET deskemu)
  find_package(benchmark REQUIRED)
  add_executable(bench_gui_stall ${CMAKE_CURRENT_LIST_DIR}/bench_gui_stall.cpp)
  target_link_libraries(bench_gui_stall PRIVATE kelui deskemu kel_test_support benchmark::benchmark)
endif()
