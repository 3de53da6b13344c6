// SPDX-License-Identifier: MIT
// Inside the layers that supply USER themselves (Linux, the browser) every
// HWND points to one of these: the show's window, a dialog or one of its
// controls. The USER calls that apply to any
// window (SendMessageA, DefWindowProcA, GetWindowRect, SetWindowPos,
// DestroyWindow, the user-data slot) dispatch through this interface.
#pragma once
#ifdef _WIN32
#error "Windows has its own USER: this header is for the back ends that supply it"
#endif
#include "platform/win32_types.h"

struct HWND__ {
  HWND__();          // registers the handle as live
  virtual ~HWND__(); // unregisters it; a stale HWND is then refused by every call

  // SendMessageA: runs the window's procedure (or a control's own handling).
  virtual LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // DefWindowProcA for this kind of window.
  virtual LRESULT DefaultProcess(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual BOOL GetRect(RECT *rect) = 0; // outer rectangle, screen coordinates
  virtual BOOL SetPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) = 0;
  // DestroyWindow: sends WM_DESTROY / WM_NCDESTROY and releases the system
  // window. The object itself may stay until its owner deletes it.
  virtual BOOL Destroy() = 0;
  // MessageBoxA with this window as owner; the default is an ownerless box.
  virtual int ShowMessageBox(const char *text, const char *caption, UINT type);

  LONG_PTR userData = 0; // GWL_USERDATA
  bool destroyed = false;
};

namespace platform {
// True for a handle that is alive (created and not yet deleted).
bool IsLiveWindow(HWND window);
// The back end's modal message box, over `parent` (its own window object
// for a dialog, or NULL); answers as MessageBoxA does.
int ShowMessageBox(void *parent, const char *text, const char *caption, UINT type);
} // namespace platform
