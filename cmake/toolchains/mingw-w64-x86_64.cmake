# Cross-compiles for 64-bit Windows with Debian's mingw-w64. The "-posix"
# compilers: the default win32-thread variant has no std::thread or
# std::mutex. Everything is linked statically, so the .exe files need no
# DLL of the compiler (libgcc, libstdc++, libwinpthread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANDREL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VANDREL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANDREL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VANDREL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANDREL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest (and anything else that runs a built program) goes through Wine with
# a prefix of the build's own; building itself never runs Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh)
