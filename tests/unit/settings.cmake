# The settings sheet's model: stored values, desk input and own-address
# picks. No sockets are opened.
kel_gtest(settings_model_tests
  settings_model_test.cpp
  LIBS kelcore kel_test_support)
