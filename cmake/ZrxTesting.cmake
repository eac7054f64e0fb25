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
