# Press on the main frame to pointer message read by the desk emulator.
# The desk uses its fixed ports: run it through scripts/netns-run.
if(TARGET kelui AND TARGET deskemu)
  find_package(benchmark REQUIRED)
  add_executable(bench_input_latency ${CMAKE_CURRENT_LIST_DIR}/bench_input_latency.cpp)
  target_link_libraries(bench_input_latency PRIVATE kelui deskemu kel_test_support benchmark::benchmark)
endif()
