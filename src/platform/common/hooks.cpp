// SPDX-License-Identifier: MIT
// The hooks that every back end consults: the counter source and the idle hook.
#include "common/hooks.h"

#include "platform/tap.h"

namespace platform {
namespace {
PlatformCounterSource counterSource = nullptr;
void *counterUser = nullptr;
PlatformIdleHook idleHook = nullptr; // told whenever the queue is found empty
void *idleUser = nullptr;
} // namespace

bool HookedCounter(int64_t *ticks) {
  if (counterSource == nullptr)
    return false;
  *ticks = counterSource(counterUser);
  return true;
}

void RunIdleHook() {
  if (idleHook != nullptr)
    idleHook(idleUser);
}

} // namespace platform

void PlatformSetCounterSource(PlatformCounterSource source, void *user) {
  platform::counterSource = source;
  platform::counterUser = user;
}

void PlatformSetIdleHook(PlatformIdleHook hook, void *user) {
  platform::idleHook = hook;
  platform::idleUser = user;
}
