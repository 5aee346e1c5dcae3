# The main frame offscreen: presenting screen messages and keeping the desk
# list, timed per pass of the GUI thread's event loop.
if(TARGET kelui AND TARGET deskemu)
  find_package(benchmark REQUIRED)
  add_executable(bench_presentation ${CMAKE_CURRENT_LIST_DIR}/bench_presentation.cpp)
  target_link_libraries(bench_presentation PRIVATE kelui deskemu kel_test_support benchmark::benchmark)
  add_executable(bench_desk_list ${CMAKE_CURRENT_LIST_DIR}/bench_desk_list.cpp)
  target_link_libraries(bench_desk_list PRIVATE kelui kel_test_support benchmark::benchmark)
endif()
