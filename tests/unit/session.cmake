# Screen decoding and pixel conversion, without sockets.
kel_gtest(session_unit_tests
  session_decoder_test.cpp
  session_decoder_paths_test.cpp
  session_pixel_test.cpp
  LIBS kelcore)

# The session over real sockets: socket pairs and scripted desks on the
# fixed desk ports, hence in a private namespace.
kel_gtest(session_protocol_tests
  session_messages_test.cpp
  session_input_test.cpp
  session_registration_test.cpp
  session_lifecycle_test.cpp
  NETNS
  LIBS kelcore kel_test_support)
