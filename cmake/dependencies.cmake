# Every library the build uses, found by name. A missing one stops the
# configuration with the Debian package that brings it (tools/install-deps.sh
# installs them all).

find_package(PkgConfig QUIET)
if(NOT PkgConfig_FOUND)
  message(FATAL_ERROR "pkg-config is missing: install pkg-config")
endif()

# wavelore_pkg(PREFIX MODULE DEBIAN_PACKAGE): PkgConfig::PREFIX from MODULE.
macro(wavelore_pkg prefix module debian)
  pkg_check_modules(${prefix} QUIET IMPORTED_TARGET ${module})
  if(NOT ${prefix}_FOUND)
    message(FATAL_ERROR "${module} (pkg-config) is missing: install ${debian}")
  endif()
endmacro()

# wavelore_find(PACKAGE DEBIAN_PACKAGE [find_package arguments...]).
macro(wavelore_find package debian)
  find_package(${package} ${ARGN} QUIET)
  if(NOT ${package}_FOUND)
    string(REPLACE ";" " " _wavelore_what "${package} ${ARGN}")
    message(FATAL_ERROR "${_wavelore_what} is missing: install ${debian}")
  endif()
endmacro()

wavelore_find(Threads "a C library with POSIX threads")
wavelore_pkg(PORTAUDIO portaudio-2.0 portaudio19-dev)
wavelore_pkg(SNDFILE sndfile libsndfile1-dev)
wavelore_pkg(SAMPLERATE samplerate libsamplerate0-dev)
wavelore_find(CURL libcurl4-openssl-dev)
wavelore_find(SQLite3 libsqlite3-dev)
wavelore_find(CLI11 libcli11-dev CONFIG)
# The settings store needs QtCore alone; the window needs Widgets and
# Linguist's lrelease, its tests and the screenshot tool Qt Test.
set(_qt_components Core)
if(WAVELORE_GUI)
  list(APPEND _qt_components Widgets LinguistTools)
  if(BUILD_TESTING)
    list(APPEND _qt_components Test)
  endif()
endif()
wavelore_find(Qt6 "qt6-base-dev; for the window also qt6-tools-dev and qt6-l10n-tools (or configure with -DWAVELORE_GUI=OFF)"
  COMPONENTS ${_qt_components})
if(WAVELORE_GUI AND NOT BUILD_TESTING)
  find_package(Qt6 QUIET COMPONENTS Test)
endif()

if(WAVELORE_SDR)
  wavelore_pkg(SOAPYSDR SoapySDR "libsoapysdr-dev (or configure with -DWAVELORE_SDR=OFF)")
endif()
if(WAVELORE_BUILD_SERVICE)
  wavelore_pkg(MICROHTTPD libmicrohttpd libmicrohttpd-dev)
  wavelore_pkg(LIBPQ libpq libpq-dev)
endif()
if(BUILD_TESTING)
  wavelore_find(GTest libgtest-dev)
  wavelore_pkg(ALSA alsa libasound2-dev)
endif()
if(WAVELORE_BUILD_BENCH)
  wavelore_find(benchmark libbenchmark-dev)
endif()
