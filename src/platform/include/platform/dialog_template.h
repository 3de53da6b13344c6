// SPDX-License-Identifier: MIT
// Dialog templates as data: what a DIALOGEX resource holds, in dialog units.
// A program registers its templates under their resource ids; DialogBoxParamA
// (platform/user.h) looks them up there.
#pragma once
#include "platform/win32_types.h"

struct DialogControlTemplate {
  const char *className; // "button", "static", "combobox"
  int id;                // -1 for controls nobody addresses
  const char *text;
  DWORD style;        // WS_*, BS_*, SS_*, CBS_*
  DWORD exStyle;      // WS_EX_*
  short x, y, cx, cy; // dialog units
};

struct DialogTemplate {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy; // dialog units
  const char *title;
  const char *fontName; // resolved through fontconfig to the closest font
  int pointSize;
  const DialogControlTemplate *controls;
  int controlCount;
};

// Makes `dialogTemplate` (which must outlive its use) the resource `id`.
void RegisterDialogTemplate(int id, const DialogTemplate *dialogTemplate);

// Registers a template from a translation unit's static initialisation.
struct DialogTemplateRegistrar {
  DialogTemplateRegistrar(int id, const DialogTemplate *dialogTemplate) { RegisterDialogTemplate(id, dialogTemplate); }
};
