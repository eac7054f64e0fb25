# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers. The
# posix-thread variants: Qt needs std::thread and std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZRX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZRX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZRX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZRX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW sysroot (and from the prefixes
# given with CMAKE_PREFIX_PATH); programs run on this machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ZRX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
