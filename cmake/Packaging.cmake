# What `cmake --install` puts beside the programs, and the Debian package
# CPack builds from it (scripts/package).
include(GNUInstallDirs)

set(KSR704_APPSTREAM_ID "org.example.ksr704remote" CACHE STRING
  "AppStream component id (reverse domain name); set once the project has its own domain")
set(KSR704_HOMEPAGE "https://ksr704-remote.example.org/" CACHE STRING "Project home page")
set(KSR704_SCREENSHOT_URL "https://ksr704-remote.example.org/screenshot-editor.png" CACHE STRING
  "Where docs/screenshot-editor.png is published, for the AppStream data")
set(KSR704_MAINTAINER "KSR-704 Remote developers <ksr704-remote@example.org>")
set(KSR704_DEB_RELEASE 1)
set(KSR704_DEB_VERSION "${PROJECT_VERSION}-${KSR704_DEB_RELEASE}")

set(data ${PROJECT_SOURCE_DIR}/app/data)
set(generated ${PROJECT_BINARY_DIR}/data)
configure_file(${data}/ksr704-remote.metainfo.xml.in
  ${generated}/${KSR704_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${data}/changelog.Debian.in ${generated}/changelog.Debian @ONLY)

# Manual pages and the Debian changelog are installed compressed, as Debian
# wants them (gzip -n: the same bytes on every build).
set(compressed)
foreach(page ksr704-remote ksr704-cli ksr704-sim)
  configure_file(${data}/man/${page}.1 ${generated}/${page}.1 @ONLY)
  list(APPEND compressed ${page}.1)
endforeach()
list(APPEND compressed changelog.Debian)
set(compressedFiles)
foreach(file ${compressed})
  add_custom_command(OUTPUT ${generated}/${file}.gz
    COMMAND gzip -9nc ${generated}/${file} > ${generated}/${file}.gz
    DEPENDS ${generated}/${file} VERBATIM)
  list(APPEND compressedFiles ${generated}/${file}.gz)
endforeach()
add_custom_target(ksr704_install_data ALL DEPENDS ${compressedFiles})

install(FILES ${data}/ksr704-remote.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/ksr704-remote.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/${KSR704_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${generated}/ksr704-remote.1.gz ${generated}/ksr704-cli.1.gz ${generated}/ksr704-sim.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${data}/copyright ${generated}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ksr704-remote)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KSR704_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for the KSR-704 feedback suppressor")
set(CPACK_PACKAGE_DESCRIPTION "Controls the KSR-704, a two-channel digital feedback suppressor with
twelve notch filters per channel, over its serial line: every parameter
in one editor window, the response curves, the device's feedback search
and its presets. Also ksr704-cli, for preset backups from the command
line, and ksr704-sim, a simulated device to try both without the hardware.")
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KSR704_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KSR704_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window icon is drawn by Qt's SVG plug-in, which no program links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
