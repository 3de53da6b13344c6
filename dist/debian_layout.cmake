# SPDX-License-Identifier: MIT
# Run by CPack on the staged tree, before the Debian package is made of it:
# Debian keeps games in /usr/games (policy 11.11), so the show moves there,
# and its desktop entry with it; the tools stay in /usr/bin. From /usr/games
# the show still finds its data file in /usr/share/zarvox. A plain
# `cmake --install` keeps it in bin/.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(usr ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT EXISTS ${usr}/bin/zarvox)
  message(FATAL_ERROR "no ${usr}/bin/zarvox to move to games/")
endif()
file(MAKE_DIRECTORY ${usr}/games)
file(CHMOD ${usr}/games DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
file(RENAME ${usr}/bin/zarvox ${usr}/games/zarvox)
# The entry was written for the staging folder's bin/.
set(entry ${usr}/share/applications/zarvox.desktop)
file(READ ${entry} text)
string(REGEX REPLACE "\nExec=[^\n]*/bin/zarvox\n" "\nExec=${CPACK_PACKAGING_INSTALL_PREFIX}/games/zarvox\n" moved "${text}")
if(moved STREQUAL text)
  message(FATAL_ERROR "${entry} does not start the show from bin/")
endif()
file(WRITE ${entry} "${moved}")
