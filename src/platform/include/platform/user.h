// SPDX-License-Identifier: MIT
// Win32 USER calls the show makes: window classes and windows over SDL2, the
// message queue fed from SDL events, display modes, message boxes and the
// modal dialog over GTK 3. Everything runs on the thread that created the
// first window; nothing here is thread-safe.
#pragma once
#ifdef _WIN32
#error                                                                                                                 \
    "This header stands in for Win32 on other systems: on Windows include platform/windows.h, which is the system's own"
#endif
#include "platform/win32_types.h"

// ---- window classes and windows ---------------------------------------------
// Registers the class by name (case-insensitive). A second registration of a
// name returns 0 and leaves the first one usable. The procedure, cursor,
// brush and style are kept; the class is never unregistered.
ATOM RegisterClassExA(const WNDCLASSEXA *windowClass);

// Grows *rect from client to outer rectangle for the given styles, with fixed
// frame sizes (thick frame 8 px a side, caption 23 px more at the top, thin
// border 1 px, client edge 2 px; nothing for WS_POPUP). The desktop's window
// manager draws the real frame; CreateWindowExA takes these same sizes off
// again, so the client area is exactly the size the caller started from.
BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle);

// Creates a top-level SDL window for a registered class (WS_CHILD and parents
// are not supported: NULL). Sends through the class procedure, before
// returning: WM_GETMINMAXINFO (before the object is known, as Win32 does),
// WM_NCCREATE (lParam: CREATESTRUCTA whose first member is `param`),
// WM_NCCALCSIZE, WM_CREATE, and for WS_VISIBLE WM_SHOWWINDOW. A WM_NCCREATE
// answer of FALSE or a WM_CREATE answer of -1 destroys the window and returns
// NULL; so does a failure of SDL (no display). x == CW_USEDEFAULT lets the
// system place the window. Styles: WS_POPUP gives a borderless window,
// WS_THICKFRAME a resizable one, anything else a decorated one. High-DPI
// scaling is off: the drawable has exactly the client size asked for. A
// WS_POPUP window made while ChangeDisplaySettingsA holds a mode covers the
// screen in that mode (its client size becomes the mode's).
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

// Sends WM_DESTROY and WM_NCDESTROY, then closes the system window (leaving a
// switched display mode if it covered the screen). The handle stays known as
// a dead window: every later call with it fails instead of crashing.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// SW_HIDE hides, any other command shows. Returns whether it was visible.
BOOL ShowWindow(HWND window, int command);

// Only GWL_USERDATA is kept. The value is pointer-wide on this platform (as
// SetWindowLongPtrA is on 64-bit Windows) so that it can hold an object's
// address.
LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongA(HWND window, int index);

// Default processing of a top-level window: WM_NCCREATE answers TRUE;
// WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE, SC_MINIMIZE / SC_MAXIMIZE /
// SC_RESTORE act on the window, SC_SCREENSAVE / SC_MONITORPOWER let the screen
// saver run; WM_CLOSE destroys the window (for a dialog: destroys the dialog
// and ends its modal loop); WM_SYSKEYDOWN with Alt+F4 posts WM_SYSCOMMAND
// SC_CLOSE; WM_PAINT validates; every other message answers 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Calls the window's procedure (or, for a dialog control, the control's own
// handling of CB_* and BM_* messages) and returns its answer.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

BOOL GetWindowRect(HWND window, RECT *rect); // outer rectangle, screen coordinates
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// ---- the message queue ------------------------------------------------------
// One queue for the program's one thread. PeekMessageA first takes pending
// SDL events and turns them into messages, then hands out the oldest posted
// message that matches the filter (window: that window only, NULL: any;
// 0, 0: every message); WM_QUIT comes once no other message matches, and
// WM_PAINT (one per window that needs painting) after that. With PM_REMOVE the
// message leaves the queue. FALSE when nothing matches. SDL events become:
// - key presses and releases: posted WM_KEYDOWN / WM_KEYUP (WM_SYSKEYDOWN /
//   WM_SYSKEYUP with Alt held and no Ctrl, and for F10) with the VK code and
//   Win32's lParam layout (repeat count 1, set-1 scan code, extended bit, Alt
//   bit, previous state, transition);
// - the close button (the window manager's close request): posted
//   WM_SYSCOMMAND SC_CLOSE;
// - a stop signal (SIGINT, SIGTERM, SIGHUP, and every other whose default
//   ends the process but the crashes'): posted WM_SYSCOMMAND SC_CLOSE to the
//   first live top-level window, so the program shuts down in order (a
//   second signal, or one with no window, restores the display mode and ends
//   the process by the signal);
// - focus gained / lost: sent WM_ACTIVATE (WA_ACTIVE / WA_INACTIVE). On
//   activation the window is sent WM_SYSCOMMAND SC_SCREENSAVE and
//   SC_MONITORPOWER (lParam 2, power off): if its procedure swallows either
//   instead of passing it to DefWindowProcA, the screen saver and monitor
//   power-down stay inhibited while the window is active;
// - exposure: the window needs painting (WM_PAINT).
BOOL PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG *message); // no character messages are generated
// Calls the procedure of message->hwnd (0 for thread messages such as
// WM_QUIT, and for dead windows).
LRESULT DispatchMessageA(const MSG *message);
void PostQuitMessage(int exitCode); // WM_QUIT with wParam = exitCode, once
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- cursor and message boxes -----------------------------------------------
// Returns a token for IDC_ARROW (the system cursor); NULL for other names.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
// Display counter as Win32 keeps it (starts at 0); the mouse cursor is hidden
// over the program's windows while it is below 0. Returns the new count.
int ShowCursor(BOOL show);

// A real, modal message box, drawn by GTK (over the owner when it is a
// dialog; kept above other windows when it has none, or for MB_SYSTEMMODAL).
// MB_OK, MB_OKCANCEL and MB_YESNO boxes; MB_DEFBUTTON2 makes the second button
// the default. Returns IDOK, IDCANCEL, IDYES or IDNO by the button pressed;
// closing the box answers IDCANCEL, or IDNO for MB_YESNO boxes. Where no box
// can be shown at all (GTK can open no display), the caption and text are
// written to stderr as one line ("CAPTION: TEXT") and the default button's
// answer is returned. A hook (platform/tap.h) may answer instead.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- display modes ----------------------------------------------------------
// Mode number i of the primary display as SDL lists it, or the current mode
// for ENUM_CURRENT_SETTINGS. Fills dmBitsPerPel (8-bit RGB in 32-bit pixels
// counts as 32, as Windows reports it), dmPelsWidth, dmPelsHeight,
// dmDisplayFrequency (0 where the system does not know the rate, which
// Windows also uses for "the default rate") and dmFields. FALSE past the last
// mode or without a display. `device` must be NULL (the primary display).
// A test list (PlatformSetDisplayModes) replaces SDL's.
BOOL EnumDisplaySettingsA(LPCSTR device, DWORD modeNumber, DEVMODEA *mode);

// With a mode: DISP_CHANGE_SUCCESSFUL only for a mode the screen offers,
// matched on width, height, bits per pixel and refresh rate, each where its
// DM_* bit is set in dmFields (a refresh rate of 0 or 1 asks for any);
// DISP_CHANGE_BADMODE otherwise, DISP_CHANGE_FAILED without a display. With
// CDS_TEST nothing changes. The switch is made on the full-screen (WS_POPUP)
// window: at once for one that exists, or when one is created (X11: a real
// mode switch; Wayland: the scaled full-screen window the compositor allows).
// With NULL, restores the desktop mode and answers DISP_CHANGE_SUCCESSFUL.
// The desktop mode also comes back when the full-screen window closes, on
// a stop signal (through the window's close) and on a crash where the
// process can still act (a fatal signal restores, then re-raises). A test
// list (PlatformSetDisplayModes) makes the switch pretend: nothing on the
// real screen changes.
LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD flags);

// ---- modal dialogs ----------------------------------------------------------
// Dialog templates are data registered under their resource id (see
// platform/dialog_template.h); only numeric ids (MAKEINTRESOURCE) exist.
// DialogBoxParamA builds a GTK window from the template: each control at its
// template rectangle, converted from dialog units with the metrics of the
// template's font as fontconfig resolves it (a quarter of the average letter
// width across, an eighth of the line height down). A combo box shows its
// selection field; the rest of its template height is its dropped-down list.
// A dialog without WS_CAPTION has no window-manager frame. The dialog is
// placed at its template position, sent WM_INITDIALOG (lParam = initParam),
// then shown, and a modal loop calls `procedure` until EndDialog or the
// dialog's destruction. The procedure gets:
//   WM_COMMAND  control id in the low word of wParam, notification code in
//               the high word (BN_CLICKED for a click, CBN_SELCHANGE when the
//               viewer picks a list item), lParam the control's handle;
//   Enter       WM_COMMAND of the focused push button or else of the
//               BS_DEFPUSHBUTTON (IDOK without one);
//   Escape      WM_COMMAND IDCANCEL (lParam the IDCANCEL control or NULL);
//   window-manager close: WM_SYSCOMMAND SC_CLOSE.
// Only the procedure handles messages: the engine adds no default dialog
// behaviour besides the keys above. An owner that is itself a dialog becomes
// the new one's transient parent; other owners are not disabled.
// Returns EndDialog's result, 0 when the dialog was destroyed without
// EndDialog (WM_CLOSE through DefWindowProcA), and -1 with a line on stderr
// when it could not be created (no such template, no display).
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM initParam);
// Ends the modal loop with `result` once the procedure returns; hides the
// dialog at once. The dialog is destroyed (WM_DESTROY) before DialogBoxParamA
// returns.
BOOL EndDialog(HWND dialog, INT_PTR result);
// The first control with this id, or NULL. Controls answer their messages
// until DialogBoxParamA returns, even after WM_CLOSE destroyed the dialog.
HWND GetDlgItem(HWND dialog, int id);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
// Messages the controls answer through SendMessageA:
//   combo box ("combobox"): CB_ADDSTRING (appends, no sorting; NULL adds an
//     empty item; returns the index), CB_GETCOUNT, CB_GETCURSEL (CB_ERR for
//     none), CB_SETCURSEL (an index out of range clears the selection and
//     returns CB_ERR), CB_GETLBTEXT (copies the item, returns its length),
//     CB_RESETCONTENT. The list drops down from a read-only field.
//   button ("button"): BM_GETCHECK, BM_SETCHECK, BM_CLICK (as the viewer's
//     click: an auto radio button is checked and the others of its WS_GROUP
//     run unchecked, then BN_CLICKED). Unlike Win32, BM_SETCHECK with
//     BST_CHECKED on a radio button unchecks the others of its group too,
//     since GTK shows at most one checked button per group.
//   static text ("static") and group boxes: nothing.
// GetWindowRect gives a control's rectangle on the screen as GTK laid it out
// (the template rectangle before the dialog is shown); SetWindowPos on a
// dialog moves, shows (SWP_SHOWWINDOW) and hides it but keeps its size, and
// is refused for a control. MessageBoxA with a dialog as owner shows a GTK
// message box over it (MB_SYSTEMMODAL keeps it above other windows).
