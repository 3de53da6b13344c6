# SPDX-License-Identifier: MIT
# Writes OUT, the source of PlatformVersion(): VERSION and, where SOURCE is a
# git checkout, the commit it stands at; and STAMP_OUT, the header that gives
# the extraction log the date and time the programs were built. Run at every
# build, so that neither is stale; each file is rewritten only when its text
# changes, so nothing is rebuilt otherwise.
#
# The build's time is SOURCE_DATE_EPOCH where set, else the commit's time,
# else CONFIGURED (when the build folder was configured): two builds of one
# commit carry the same bytes, whenever and wherever they are made.
set(text "${VERSION}")
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
find_program(git git)
if(git AND EXISTS "${SOURCE}/.git")
  execute_process(COMMAND "${git}" -C "${SOURCE}" log -1 --format=%h%n%ct --abbrev=12
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND commit MATCHES "^([0-9a-f]+)\n([0-9]+)$")
    set(text "${VERSION} (commit ${CMAKE_MATCH_1})")
    if(epoch STREQUAL "")
      set(epoch ${CMAKE_MATCH_2})
    endif()
  endif()
endif()
if(epoch STREQUAL "")
  set(epoch "${CONFIGURED}")
endif()
file(CONFIGURE OUTPUT "${OUT}" CONTENT "// Made by cmake/version.cmake at build time.
#include \"platform/command_line.h\"

const char *PlatformVersion() {
  return \"${text}\";
}
" @ONLY)

# As the compiler's __DATE__ and __TIME__ would give them ("Jul  8 2001",
# "19:33:12"), in UTC. string(TIMESTAMP) reads SOURCE_DATE_EPOCH itself.
set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
string(TIMESTAMP date "%b %d %Y" UTC)
string(REGEX REPLACE "^([A-Z][a-z][a-z]) 0" "\\1  " date "${date}")
string(TIMESTAMP time "%H:%M:%S" UTC)
file(CONFIGURE OUTPUT "${STAMP_OUT}" CONTENT "// Made by cmake/version.cmake at build time: when the programs were built.
#pragma once
#define ZARVOX_BUILD_DATE \"${date}\"
#define ZARVOX_BUILD_TIME \"${time}\"
" @ONLY)
