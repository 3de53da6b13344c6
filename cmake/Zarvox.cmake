# SPDX-License-Identifier: MIT
# Project-wide build settings and helpers.

# Warnings and sanitizers live on one INTERFACE target that every target links.
add_library(zarvox_options INTERFACE)
target_compile_options(zarvox_options INTERFACE -Wall -Wextra)
# Source paths relative to the tree, in __FILE__ (the RAR module's debug log)
# and the debug info: the build machine's folders stay out of the programs.
target_compile_options(zarvox_options INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
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
