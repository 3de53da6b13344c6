// SPDX-License-Identifier: MIT
// For test programs that run the show in their own process: the display is
// opened once for all of them, and the debug log goes to a scratch folder
// ($XDG_STATE_HOME/zarvox), never to the user's own.
#include "show_environment.h"

#include "platform/session.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace showkit {

namespace {

ScratchDir *state = nullptr;

class ShowEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    state = new ScratchDir();
    // Read by the RAR module when it opens its log, at the process's first extraction.
    setenv("XDG_STATE_HOME", state->Path().c_str(), 1);
    std::string why;
    open = platform::OpenDisplay(&why);
    ASSERT_TRUE(open) << why;
  }
  void TearDown() override {
    if (open)
      platform::Shutdown();
    delete state;
    state = nullptr;
  }

private:
  bool open = false;
};

const ::testing::Environment *const registered = ::testing::AddGlobalTestEnvironment(new ShowEnvironment);

} // namespace

std::string DebugLogPath() {
  return state != nullptr ? state->Path() + "/zarvox/debug_unrar.txt" : std::string();
}

} // namespace showkit
