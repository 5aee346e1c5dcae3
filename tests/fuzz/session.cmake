# The desk's byte stream on the display channel, through the session's
# receive loop, and the screen decoder on its own.
kel_fuzz_target(fuzz_desk_messages fuzz_desk_messages.cpp CORPUS desk_messages LIBS kelcore)
kel_fuzz_target(fuzz_screen_decode fuzz_screen_decode.cpp CORPUS screen_decode LIBS kelcore)
