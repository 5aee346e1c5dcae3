# Heartbeat floods against a busy station window and kel-remote-cli
# discover. Sends multicast: run it through scripts/netns-run.
if(TARGET kelui)
  add_executable(bench_heartbeat_flood ${CMAKE_CURRENT_LIST_DIR}/bench_heartbeat_flood.cpp)
  target_link_libraries(bench_heartbeat_flood PRIVATE kelui kel_test_support Qt6::Test)
endif()
