# Test registration helpers.
#
# Tests that open multicast sockets must never run in the machine's own
# network namespace: their traffic would leave the machine. They are started
# through scripts/netns-run, which puts them into a private namespace with
# only the loopback interface, and carry the CTest label "netns".

set(KEL_NETNS_RUN ${CMAKE_SOURCE_DIR}/scripts/netns-run)

# kel_gtest(target sources... [NETNS] [LIBS libs...] [LABELS labels...])
function(kel_gtest target)
  cmake_parse_arguments(ARG "NETNS;QT" "TIMEOUT" "LIBS;LABELS" ${ARGN})
  add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${ARG_LIBS})
  set(labels ${ARG_LABELS})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  if(ARG_NETNS)
    # Discovery and runs both go through the namespace runner.
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${KEL_NETNS_RUN})
    list(APPEND labels netns)
  endif()
  if(NOT labels)
    set(labels plain)
  endif()
  gtest_discover_tests(${target} NO_PRETTY_VALUES
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT}
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# kel_qtest(target sources... [NETNS] [LIBS libs...])
function(kel_qtest target)
  cmake_parse_arguments(ARG "NETNS" "TIMEOUT" "LIBS;LABELS" ${ARGN})
  add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_link_libraries(${target} PRIVATE Qt6::Test ${ARG_LIBS})
  set(labels ${ARG_LABELS} gui)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  if(ARG_NETNS)
    add_test(NAME ${target} COMMAND ${KEL_NETNS_RUN} $<TARGET_FILE:${target}>)
    list(APPEND labels netns)
  else()
    add_test(NAME ${target} COMMAND ${target})
  endif()
  set_tests_properties(${target} PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
