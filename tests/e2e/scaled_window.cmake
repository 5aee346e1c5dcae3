# The station window at desktop scales other than 1.
kel_e2e_test(scaled_window_e2e_tests scaled_window_e2e_test.cpp)
