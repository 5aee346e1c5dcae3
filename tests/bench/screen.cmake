# Screen decoding and frame writing against memcpy of the same bytes.
find_package(benchmark REQUIRED)
add_executable(bench_screen bench_screen.cpp)
target_link_libraries(bench_screen PRIVATE kelcore benchmark::benchmark)
