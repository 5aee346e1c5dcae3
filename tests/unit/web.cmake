# The browser gateway's messages, token, request heads and button rules.
if(TARGET kelweb)
  kel_gtest(web_tests
    web_messages_test.cpp
    web_access_test.cpp
    LIBS kelweb kel_test_support)
endif()
