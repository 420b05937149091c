# Part of the install step: writes the systemd units with the installed
# programs' paths, which only the install step knows (cmake --install
# --prefix, DESTDIR). WAVELORE_UNITS (NAME.service.in files), WAVELORE_BINDIR,
# WAVELORE_LIBEXECDIR and WAVELORE_ENVIRONMENT_FILE (relative to the
# configuration directory) come from dist/CMakeLists.txt.
set(_prefix "${CMAKE_INSTALL_PREFIX}")
# Configuration lives in /etc for a system prefix, as GNUInstallDirs has it.
if(_prefix STREQUAL "/usr")
  set(_etc "/etc")
else()
  set(_etc "${_prefix}/etc")
endif()
set(BINDIR "${_prefix}/${WAVELORE_BINDIR}")
set(ENVIRONMENT_FILE "${_etc}/${WAVELORE_ENVIRONMENT_FILE}")
set(MESSAGE_LINE "${_prefix}/${WAVELORE_LIBEXECDIR}/wavelore/wavelore-message-line")
foreach(_in IN LISTS WAVELORE_UNITS)
  get_filename_component(_name "${_in}" NAME)
  string(REGEX REPLACE "\\.in$" "" _name "${_name}")
  set(_unit "$ENV{DESTDIR}${_prefix}/lib/systemd/system/${_name}")
  message(STATUS "Installing: ${_unit}")
  configure_file("${_in}" "${_unit}" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_unit}")
endforeach()
# The receiver's settings, kept when they were changed.
set(_environment "$ENV{DESTDIR}${ENVIRONMENT_FILE}")
if(NOT EXISTS "${_environment}")
  message(STATUS "Installing: ${_environment}")
  configure_file("${WAVELORE_ENVIRONMENT_IN}" "${_environment}" COPYONLY)
else()
  message(STATUS "Up-to-date: ${_environment} (kept as it is)")
endif()
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_environment}")
