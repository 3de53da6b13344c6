# SPDX-License-Identifier: MIT
# Cross build for 64-bit ARM Linux (the 64-bit Raspberry Pi OS) with Debian's
# cross toolchain against the arm64 libraries installed beside the amd64 ones
# (/usr/lib/aarch64-linux-gnu), used by ./build.sh arm64:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DZARVOX_HOST_BIN=build/bin
# A library whose arm64 package cannot be installed beside its amd64 one
# (not Multi-Arch: same) is unpacked into ZARVOX_CROSS_ROOT instead: its
# headers and libraries are found there before the system's.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ZARVOX_TRIPLET aarch64-linux-gnu)

set(CMAKE_C_COMPILER ${ZARVOX_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${ZARVOX_TRIPLET}-g++)
set(CMAKE_AR ${ZARVOX_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZARVOX_TRIPLET}-ranlib CACHE FILEPATH "")
set(CMAKE_STRIP ${ZARVOX_TRIPLET}-strip CACHE FILEPATH "")
# The arm64 .pc files of /usr/lib/aarch64-linux-gnu, never the amd64 ones.
set(PKG_CONFIG_EXECUTABLE ${ZARVOX_TRIPLET}-pkg-config CACHE FILEPATH "")

# The compiler already looks in the multiarch folders; find_library and
# find_path look in the unpacked root first, then in the system's.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZARVOX_CROSS_ROOT)
set(CMAKE_FIND_ROOT_PATH ${ZARVOX_CROSS_ROOT} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(ZARVOX_CROSS_ROOT)
  set(ENV{PKG_CONFIG_PATH} ${ZARVOX_CROSS_ROOT}/usr/lib/${ZARVOX_TRIPLET}/pkgconfig)
  set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${ZARVOX_CROSS_ROOT}/usr/include)
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${ZARVOX_CROSS_ROOT}/usr/include)
endif()

# The Debian package is for this architecture, not the build machine's.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
