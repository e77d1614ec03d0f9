# Registers a GoogleTest executable with ctest. On Linux each test case is an
# entry of its own. A Windows executable runs under wine, where each process
# start costs seconds, so the whole executable is one entry; it runs in the
# build folder's own wine prefix, quietly.
include(GoogleTest)

set(KORVEX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")

function(korvex_add_tests target)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES
      TIMEOUT 900
      ENVIRONMENT "WINEPREFIX=${KORVEX_WINEPREFIX};WINEDEBUG=-all")
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
