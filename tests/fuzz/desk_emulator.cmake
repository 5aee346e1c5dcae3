# The desk emulator's readers of station bytes. Its sources are compiled into
# the target itself so that libFuzzer instruments them.
file(GLOB deskemu_fuzz_sources ${CMAKE_SOURCE_DIR}/tools/desk-emulator/*.cpp)
list(FILTER deskemu_fuzz_sources EXCLUDE REGEX "/(main|emulator_options)\\.cpp$")
kel_fuzz_target(fuzz_desk_emulator fuzz_desk_emulator.cpp ${deskemu_fuzz_sources}
  CORPUS desk_emulator LIBS Threads::Threads)
if(TARGET fuzz_desk_emulator)
  target_include_directories(fuzz_desk_emulator PRIVATE
    ${CMAKE_SOURCE_DIR}/tools/desk-emulator ${CMAKE_SOURCE_DIR}/src)
endif()
