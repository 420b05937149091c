# Part of the install step: writes the desktop entry with the installed
# program's path. WAVELORE_DESKTOP_IN, WAVELORE_BINDIR and WAVELORE_DATADIR
# come from res/CMakeLists.txt.
set(WAVELORE_PROGRAM "${WAVELORE_BINDIR}/wavelore")
if(NOT IS_ABSOLUTE "${WAVELORE_PROGRAM}")
  set(WAVELORE_PROGRAM "${CMAKE_INSTALL_PREFIX}/${WAVELORE_PROGRAM}")
endif()
# A path the Exec line would have to quote is left to the PATH.
if(WAVELORE_PROGRAM MATCHES "[ \t\"'`$%\\\\]")
  set(WAVELORE_PROGRAM wavelore)
endif()
set(_entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${WAVELORE_DATADIR}/applications/wavelore.desktop")
if(IS_ABSOLUTE "${WAVELORE_DATADIR}")
  set(_entry "$ENV{DESTDIR}${WAVELORE_DATADIR}/applications/wavelore.desktop")
endif()
message(STATUS "Installing: ${_entry}")
configure_file("${WAVELORE_DESKTOP_IN}" "${_entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_entry}")
