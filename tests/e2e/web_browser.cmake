# The browser gateway's page in headless Chromium against the desk emulator
# and the real kel-remote-web program; screenshots kept as artifacts.
if(TARGET kel-remote-web AND TARGET kel_browser_support)
  kel_qtest(web_browser_e2e_tests ${CMAKE_CURRENT_SOURCE_DIR}/web_browser_e2e_test.cpp
    NETNS
    TIMEOUT 300
    LIBS deskemu kel_browser_support)
  target_compile_definitions(web_browser_e2e_tests PRIVATE
    KEL_REMOTE_WEB_PROGRAM="$<TARGET_FILE:kel-remote-web>"
    KEL_ARTIFACT_DIR="${CMAKE_BINARY_DIR}/artifacts/web")
  add_dependencies(web_browser_e2e_tests kel-remote-web)
  set_tests_properties(web_browser_e2e_tests PROPERTIES LABELS "e2e;netns" RUN_SERIAL TRUE)
endif()
