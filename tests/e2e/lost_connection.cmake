# The lost-connection dialog and a slow desk in the real station window.
kel_e2e_test(lost_connection_e2e_tests lost_connection_e2e_test.cpp)
