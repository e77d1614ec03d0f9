# Registers a GoogleTest executable with ctest. On Linux each test case is an
# entry of its own. A Windows executable runs under wine, where each process
# start costs seconds, so the whole executable is one entry; it runs in the
# build folder's own wine prefix, quietly. Every test case stops itself,
# named, when it hangs (tests/support/test_time_limit.cpp).
include(GoogleTest)
set(KORVEX_TEST_TIME_LIMIT "${CMAKE_CURRENT_LIST_DIR}/../tests/support/test_time_limit.cpp")

set(KORVEX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(KORVEX_WINE_ENVIRONMENT
  "WINEPREFIX=${KORVEX_WINEPREFIX};WINEDEBUG=-all;WINE=${CMAKE_CROSSCOMPILING_EMULATOR}")

function(korvex_add_tests target)
  target_sources(${target} PRIVATE ${KORVEX_TEST_TIME_LIMIT})
  # GoogleTest's header compiled once for the program instead of once for each
  # test file: half a test file's compile time. ccache cannot reuse files
  # built with it, so a build through ccache (CMAKE_CXX_COMPILER_LAUNCHER)
  # keeps its cache instead. Not tried with mingw-w64 yet.
  if(NOT CMAKE_CXX_COMPILER_LAUNCHER AND NOT CMAKE_CROSSCOMPILING)
    target_precompile_headers(${target} PRIVATE <gtest/gtest.h>)
  endif()
  if(CMAKE_CROSSCOMPILING)
    # The Windows build is a release build for what it ships; its tests wait
    # on wine rather than compute, and unoptimised they build in a third of
    # the time.
    target_compile_options(${target} PRIVATE -O0)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 900 ENVIRONMENT "${KORVEX_WINE_ENVIRONMENT}")
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# A test of the Windows build that runs on the build machine: a script that
# starts Windows programs with $WINE, beside Linux ones (the simulator).
function(korvex_add_wine_script_test name script)
  add_test(NAME ${name} COMMAND bash ${script} ${ARGN})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 ENVIRONMENT "${KORVEX_WINE_ENVIRONMENT}")
endfunction()
