// SPDX-License-Identifier: MIT
// The environment of test programs that run the show in their own process
// (see show_environment.cpp): display open, debug log in a scratch folder.
#pragma once
#include "show_kit.h"

namespace showkit {

// Where this process's debug log is written.
std::string DebugLogPath();

} // namespace showkit
