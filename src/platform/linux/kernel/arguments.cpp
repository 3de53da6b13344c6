// SPDX-License-Identifier: MIT
// Arguments on Linux are the bytes the caller gave: file names are taken as
// they are, and UTF-8 is what every current system uses for the rest.
#include "platform/command_line.h"

void PlatformUtf8Arguments(int *, char ***) {}
