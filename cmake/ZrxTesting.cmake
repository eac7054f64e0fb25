# zrx_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One Qt Test executable per unit, run by CTest on the offscreen platform so
# no test needs a display.
function(zrx_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} zrx_test_support Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_ASSUME_STDERR_HAS_CONSOLE=1"
        TIMEOUT 300)
endfunction()

# zrx_add_d2xx_test(<name> SOURCES <files...> LIBS <targets...>)
# A test of fast mode on the D2XX driver over the fake library. On Windows the
# fake ftd2xx.dll goes beside the test, where the program's loader finds it
# first, as it would find FTDI's in the system folder.
function(zrx_add_d2xx_test name)
    zrx_add_test(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE zrx_fake_d2xx)
    # On Linux the backend also holds the libftdi driver: its fake stands in
    # for libftdi1, so nothing here reaches a real adapter.
    if(TARGET zrx_fake_ftdi)
        target_link_libraries(${name} PRIVATE zrx_fake_ftdi)
    endif()
    if(WIN32)
        add_dependencies(${name} fake_ftd2xx)
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:fake_ftd2xx> $<TARGET_FILE_DIR:${name}>)
    endif()
endfunction()
