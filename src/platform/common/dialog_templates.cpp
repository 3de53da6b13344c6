// SPDX-License-Identifier: MIT
// The registry of dialog templates. Windows keeps its own in the program's
// resources, compiled from these same templates, and never looks here.
#include "common/dialog_templates.h"

#include <map>

namespace platform {
namespace {
std::map<int, const DialogTemplate *> &Templates() {
  static std::map<int, const DialogTemplate *> templates;
  return templates;
}
} // namespace

const DialogTemplate *FindDialogTemplate(int id) {
  auto found = Templates().find(id);
  return found != Templates().end() ? found->second : nullptr;
}

} // namespace platform

void RegisterDialogTemplate(int id, const DialogTemplate *dialogTemplate) {
  platform::Templates()[id] = dialogTemplate;
}
