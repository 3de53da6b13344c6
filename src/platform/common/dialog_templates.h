// SPDX-License-Identifier: MIT
// The dialog templates programs register (platform/dialog_template.h), by
// resource id, for the back ends that build dialogs from them.
#pragma once
#include "platform/dialog_template.h"

namespace platform {

// The template registered as resource `id`, or NULL.
const DialogTemplate *FindDialogTemplate(int id);

} // namespace platform
