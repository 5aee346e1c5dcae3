# The desk emulator's own wire code, screen encoder and drawn screen.
kel_gtest(desk_emulator_unit_tests
  desk_emulator_codec_test.cpp
  desk_emulator_wire_test.cpp
  desk_emulator_screen_test.cpp
  desk_emulator_options_test.cpp
  LIBS deskemu)

add_test(NAME desk_emulator_help COMMAND kel-desk-emulator --help)
set_tests_properties(desk_emulator_help PROPERTIES
  PASS_REGULAR_EXPRESSION "--address A.*--own-interface A.*--cursor-mode B.*throw-out.*go-silent")
