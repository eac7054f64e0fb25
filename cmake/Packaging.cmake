# Installation, the Debian package and the Windows installer. The version
# comes from project().
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME "zrx50346")
set(CPACK_PACKAGE_VENDOR "ZRX50346 bench software team")
set(CPACK_PACKAGE_CONTACT "ZRX50346 bench software team <bench@example.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bench software for the ZRX50346 reference-voltage chip")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")

if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsInstaller.cmake)
    return()
endif()

install(TARGETS zrx50346 zrx50346-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zrx50346.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zrx50346.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/command-line.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Fast mode on FTDI adapters needs the USB device, not only its tty: the rule
# gives it to the dialout group. udev reads /usr/lib/udev/rules.d, whatever
# the prefix of the rest.
if(TARGET zrx_bus_ftdi)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/60-zrx50346-ftdi.rules DESTINATION lib/udev/rules.d)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
# Qt's (and libftdi1's) runtime libraries, found from the binary's
# shared-library needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
include(CPack)
