# Desk screen change to canvas drawn in headless Chromium, through the real
# kel-remote-web; run it through scripts/netns-run.
if(TARGET kel_browser_support AND TARGET kel-remote-web AND TARGET deskemu)
  add_executable(bench_web_latency ${CMAKE_CURRENT_LIST_DIR}/bench_web_latency.cpp)
  target_link_libraries(bench_web_latency PRIVATE kelcore deskemu kel_browser_support)
  target_compile_definitions(bench_web_latency PRIVATE
    KEL_REMOTE_WEB_PROGRAM="$<TARGET_FILE:kel-remote-web>")
  add_dependencies(bench_web_latency kel-remote-web)
endif()
