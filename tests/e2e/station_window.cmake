# The station window's desk list, remote screen and screenshots.
kel_e2e_test(station_window_e2e_tests station_window_e2e_test.cpp)
