# The on-screen keyboard in the real station window.
kel_e2e_test(keyboard_e2e_tests keyboard_e2e_test.cpp)
