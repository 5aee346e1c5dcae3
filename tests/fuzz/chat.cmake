kel_fuzz_target(fuzz_chat_datagram fuzz_chat_datagram.cpp CORPUS chat LIBS kelcore)
