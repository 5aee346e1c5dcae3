# Screen decoding and frame writing against memcpy or memset of the same
# bytes; the real screen case draws with the desk emulator's screen code.
find_package(benchmark REQUIRED)
add_executable(bench_screen bench_screen.cpp)
target_link_libraries(bench_screen PRIVATE kelcore deskemu benchmark::benchmark)
