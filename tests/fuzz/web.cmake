# The browser gateway's parsers of what browsers send.
if(TARGET kelweb)
  if(KEL_FUZZ)
    target_compile_options(kelweb PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  kel_fuzz_target(fuzz_browser_messages fuzz_browser_messages.cpp
    CORPUS browser_messages LIBS kelweb)
endif()
