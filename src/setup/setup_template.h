// SPDX-License-Identifier: MIT
// The setup dialog's template, resource IDD_SETUP (data only, no code).
#pragma once
#include "platform/dialog_template.h"

extern const DialogTemplate kSetupTemplate;
