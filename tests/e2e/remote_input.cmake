# The operator's tap and keys in the real station window.
kel_e2e_test(remote_input_e2e_tests remote_input_e2e_test.cpp)
