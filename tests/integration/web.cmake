# The browser gateway with WebSocket clients against the desk emulator
# (heartbeats: namespace runner only).
if(TARGET kelweb)
  kel_qtest(web_gateway_tests web_gateway_test.cpp
    NETNS
    LIBS kelweb deskemu)
endif()
