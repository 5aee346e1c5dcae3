kel_fuzz_target(fuzz_heartbeat fuzz_heartbeat.cpp CORPUS heartbeat LIBS kelcore)
