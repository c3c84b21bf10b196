# Tests run under Wine in a private prefix in the build tree (scripts/wine-run).
#   add_wine_test(<target> [TIMEOUT s] [ARGS ...])      one ctest entry per test executable
#   register_com_server(<target>)                        registered in the prefix before any test:
#                                                        DLLs through regsvr32, programs with /RegServer
set(WINE_RUN "${PROJECT_SOURCE_DIR}/scripts/wine-run")
# Where Wine's 32-bit half runs under an emulator (scripts/bootstrap), every test takes several
# times as long: its time limit grows by this factor (scripts/test sets it).
set(WINE_TIMEOUT_SCALE 1 CACHE STRING "factor for the time limit of every Wine test")
set(WINEPREFIX_DIR "${PROJECT_BINARY_DIR}/wineprefix")

function(add_wine_test target)
  cmake_parse_arguments(T "" "TIMEOUT" "ARGS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${WINE_TIMEOUT_SCALE}")
  add_test(NAME ${target}
           COMMAND ${WINE_RUN} $<TARGET_FILE:${target}> --gtest_color=no ${T_ARGS}
           WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>)
  set_tests_properties(${target} PROPERTIES TIMEOUT ${T_TIMEOUT} FIXTURES_REQUIRED wine
                       ENVIRONMENT "WINEPREFIX=${WINEPREFIX_DIR}")
endfunction()

function(register_com_server target)
  set_property(GLOBAL APPEND PROPERTY COM_SERVERS "$<TARGET_FILE:${target}>")
endfunction()

# Called once at the end of the top-level list: the prefix set-up and tear-down fixtures.
function(add_wine_fixtures)
  get_property(servers GLOBAL PROPERTY COM_SERVERS)
  add_test(NAME wine_setup COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix setup ${servers})
  add_test(NAME wine_teardown COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-prefix teardown)
  math(EXPR setup_timeout "300 * ${WINE_TIMEOUT_SCALE}")
  set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT ${setup_timeout}
                       ENVIRONMENT "WINEPREFIX=${WINEPREFIX_DIR}")
  set_tests_properties(wine_teardown PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
                       ENVIRONMENT "WINEPREFIX=${WINEPREFIX_DIR}")
endfunction()
