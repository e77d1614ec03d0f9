# The tests' fakes and helpers, which the benchmarks use too: included as
# "support/..." and "sim/...".
add_library(korvex_test_support INTERFACE)
set(tests ${PROJECT_SOURCE_DIR}/tests)
target_include_directories(korvex_test_support INTERFACE ${tests})
# test_sockets.h: handles this platform's loop watches; test_process.h: process ids.
if(WIN32)
  target_include_directories(korvex_test_support INTERFACE ${tests}/support/win32)
  target_sources(korvex_test_support INTERFACE ${tests}/support/win32/test_sockets.cpp
                 ${tests}/support/win32/test_process.cpp)
else()
  target_include_directories(korvex_test_support INTERFACE ${tests}/support/posix)
endif()
