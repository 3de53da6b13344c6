# SPDX-License-Identifier: MIT
# Project-wide build settings and helpers.

# Warnings and sanitizers live on one INTERFACE target that every target links.
add_library(zarvox_options INTERFACE)
target_compile_options(zarvox_options INTERFACE -Wall -Wextra)
# Source paths relative to the tree, in __FILE__ (the RAR module's debug log)
# and the debug info: the build machine's folders stay out of the programs.
target_compile_options(zarvox_options INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
# The same floating-point results on every architecture: a * b + c stays two
# roundings. arm64's compiler would otherwise fuse it into one instruction
# (x86-64's baseline has none), and the logo the generator draws, say, would
# come out other bytes there.
target_compile_options(zarvox_options INTERFACE -ffp-contract=off)
# No link time in a Windows program's header: two builds of one commit are
# the same bytes.
if(WIN32)
  target_link_options(zarvox_options INTERFACE -Wl,--no-insert-timestamp)
endif()
if(ZARVOX_WERROR)
  target_compile_options(zarvox_options INTERFACE -Werror)
endif()
if(ZARVOX_SANITIZE)
  target_compile_options(zarvox_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=undefined
                                                  -fno-omit-frame-pointer)
  target_link_options(zarvox_options INTERFACE -fsanitize=address,undefined)
endif()
target_include_directories(zarvox_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

# A cross build (Windows, arm64) cannot run the programs it makes: those that
# write files at build time (the media, the data file, the dialogs' resource
# script) are taken from a build for this machine, whose bin folder this names.
set(ZARVOX_HOST_BIN "" CACHE PATH "For a cross build: the bin folder of a build for this machine (its tools)")

# zarvox_build_tool(VAR NAME): what the build runs for the tool NAME: this
# tree's target, or in a cross build the host build's program.
function(zarvox_build_tool var name)
  if(NOT CMAKE_CROSSCOMPILING)
    set(${var} ${name} PARENT_SCOPE)
  elseif(ZARVOX_HOST_BIN AND EXISTS ${ZARVOX_HOST_BIN}/${name})
    set(${var} ${ZARVOX_HOST_BIN}/${name} PARENT_SCOPE)
  else()
    message(FATAL_ERROR "A cross build needs ZARVOX_HOST_BIN, the bin folder of a build for this machine with "
                        "${name} (./build.sh sets it)")
  endif()
endfunction()

# Where test data and scripts are found at test time.
set(ZARVOX_TEST_SUPPORT ${PROJECT_SOURCE_DIR}/tests/support)
set(ZARVOX_RAR_CORPUS ${PROJECT_SOURCE_DIR}/../shared/rar-corpus CACHE PATH "Real RAR archives for the acceptance tests")
set(ZARVOX_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_odr_violation=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0")

# Registers a test command: under its own Xvfb (Mesa llvmpipe) with DISPLAY,
# with SDL's dummy audio driver, the sanitizers' settings and a 300 s limit
# unless one is given.
function(zarvox_register_test name display timeout labels env)
  set(command ${ARGN})
  if(display)
    list(PREPEND command ${ZARVOX_TEST_SUPPORT}/with-xvfb)
    list(APPEND labels display)
  endif()
  if(NOT timeout)
    set(timeout 300)
  endif()
  add_test(NAME ${name} COMMAND ${command})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} LABELS "${labels}"
                       ENVIRONMENT "SDL_AUDIODRIVER=dummy;${ZARVOX_SANITIZER_ENV};${env}")
endfunction()

# add_zarvox_test(NAME SOURCES f.cpp... [LIBS lib...] [DISPLAY] [NO_MAIN] [TIMEOUT s] [LABELS l...] [ENV K=V...])
# One GoogleTest program, one CTest entry.
function(add_zarvox_test name)
  cmake_parse_arguments(T "DISPLAY;NO_MAIN" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE zarvox_options GTest::gtest ${T_LIBS})
  if(NOT T_NO_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE ZARVOX_RAR_CORPUS="${ZARVOX_RAR_CORPUS}"
                                             ZARVOX_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             ZARVOX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  zarvox_register_test(${name} "${T_DISPLAY}" "${T_TIMEOUT}" "${T_LABELS}" "${T_ENV}" $<TARGET_FILE:${name}>)
endfunction()

# add_zarvox_script_test(NAME COMMAND cmd... [DISPLAY] [TIMEOUT s] [LABELS l...] [ENV K=V...])
# A test that is a script or a program of the project run as a user would.
function(add_zarvox_script_test name)
  cmake_parse_arguments(T "DISPLAY" "TIMEOUT" "COMMAND;LABELS;ENV" ${ARGN})
  zarvox_register_test(${name} "${T_DISPLAY}" "${T_TIMEOUT}" "${T_LABELS}"
                       "ZARVOX_BINARY_DIR=${PROJECT_BINARY_DIR};ZARVOX_SOURCE_DIR=${PROJECT_SOURCE_DIR};${T_ENV}"
                       ${T_COMMAND})
endfunction()
