# The Windows installer (CPack's NSIS generator, makensis): both programs in
# one folder with the Qt and MinGW runtime DLLs and the Qt plugins they load,
# a Start-menu entry for the window, and an uninstaller.

install(TARGETS zrx50346 zrx50346-cli RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/command-line.md
              ${PROJECT_SOURCE_DIR}/docs/user-guide.md
        DESTINATION doc)

# Qt looks for its plugins in folders beside the program.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
if(TARGET Qt6::QWindowsVistaStylePlugin)
    install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
endif()

# The compiler's own runtime, wherever this MinGW keeps it.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${runtime_path}" OR NOT EXISTS "${runtime_path}")
        message(FATAL_ERROR "The MinGW runtime ${runtime} was not found")
    endif()
    install(FILES "${runtime_path}" DESTINATION .)
endforeach()

set(CPACK_GENERATOR "NSIS")
# A 64-bit installer for 64-bit programs, into "Program Files", not its (x86) twin.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "ZRX50346")
set(CPACK_NSIS_PACKAGE_NAME "ZRX50346 bench software")
set(CPACK_NSIS_DISPLAY_NAME "ZRX50346 bench software ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/packaging/zrx50346.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/packaging/zrx50346.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "zrx50346.exe")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
# The Start-menu entry: the window, under the product's name.
set(CPACK_PACKAGE_EXECUTABLES "zrx50346" "ZRX50346")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_PACKAGE_FILE_NAME "zrx50346-${PROJECT_VERSION}-win64-setup")
include(CPack)
