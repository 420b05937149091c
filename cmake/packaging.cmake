# The Debian package: cpack -G DEB (or cmake --build build --target package)
# makes wavelore_VERSION_ARCH.deb of everything cmake --install puts in
# place, under /usr whatever the build's own prefix.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wavelore)
set(CPACK_PACKAGE_VENDOR "The Wavelore developers")
set(CPACK_PACKAGE_CONTACT "The Wavelore developers <developers@wavelore.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NAVTEX receiver for maritime safety broadcasts")
set(CPACK_PACKAGE_DESCRIPTION
  "Wavelore decodes NAVTEX, the maritime safety broadcast on 518 and 490 kHz,
from the audio of a radio receiver: navigational and meteorological
warnings, forecasts and search-and-rescue notices. It stores every
message as a file per day with a raw log, lists them by station and
subject, raises an alarm for search and rescue, serves NMEA 0183 to chart
plotters and uploads messages to a collection service. It also decodes
SITOR, AMTOR, Japanese NAVTEX and RTTY.

The package holds the receiver's window (wavelore), the command-line
receiver (wavelore-decode) with a systemd unit that runs it on a sound
device for good, and the collection service (wavelore-service).")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
# Installed as into the system (DESTDIR), so that the desktop entry and the
# units name the programs by their paths there.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# The libraries the programs link, from dpkg-shlibdeps; Qt's platform
# plugins, which no program links, for the window.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(WAVELORE_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/dist/debian/conffiles
  ${CMAKE_SOURCE_DIR}/dist/debian/postinst
  ${CMAKE_SOURCE_DIR}/dist/debian/prerm
  ${CMAKE_SOURCE_DIR}/dist/debian/postrm)
include(CPack)
