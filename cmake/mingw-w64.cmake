# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads, so
# that std::thread and std::mutex work), used by ./build.sh windows:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# Everything is linked statically (the C++ and GCC runtimes and winpthreads
# included), so the programs need only the DLLs every Windows has.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZARVOX_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ZARVOX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZARVOX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZARVOX_MINGW}-windres)
set(CMAKE_AR ${ZARVOX_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZARVOX_MINGW}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${ZARVOX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
