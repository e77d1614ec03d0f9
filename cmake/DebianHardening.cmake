# Debian's hardening flags (fortify, stack protector, relro and bind-now) for
# the release build the packages carry. Only where the project asks for them
# (the release preset): a packager's own build gets them from its tools
# already (dh sets CXXFLAGS), and a system without dpkg-dev builds without.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags not found (package dpkg-dev): built without Debian's hardening flags")
  return()
endif()
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            ${DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  # The packages carry stripped programs and no debug-symbol package, so
  # Debian's -g would only slow the build; a -g in CMAKE_CXX_FLAGS stays.
  list(REMOVE_ITEM flags -g)
  if(kind STREQUAL "LDFLAGS")
    add_link_options(${flags})
  else()
    add_compile_options(${flags})
  endif()
endforeach()
