// Win32 USER calls the show makes: window classes and windows over SDL2, the
// message queue fed from SDL events, display modes, message boxes and the
// modal dialog over GTK 3. Everything runs on the thread that created the
// first window; nothing here is thread-safe.
#pragma once
#include "platform/win32_types.h"

// ---- window classes and windows ---------------------------------------------
// Registers the class by name (case-insensitive). A second registration of a
// name returns 0 and leaves the first one usable.
ATOM RegisterClassExA(const WNDCLASSEXA *windowClass);

// Grows *rect from client to outer rectangle for the given styles. Frame sizes
// are those of the desktop the program runs on (0 for WS_POPUP); the window
// is created so that its client area has exactly the asked size.
BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle);

// Creates an SDL window for a registered class. Delivers WM_NCCREATE (lParam:
// CREATESTRUCTA whose first member is `param`), WM_NCCALCSIZE, WM_CREATE, and
// for WS_VISIBLE WM_SHOWWINDOW and WM_ACTIVATE through the class procedure,
// before returning. A WM_NCCREATE or WM_CREATE answer of failure destroys the
// window and returns NULL. High-DPI scaling is off: the drawable has exactly
// the client size asked for. With the display switched by
// ChangeDisplaySettingsA(CDS_FULLSCREEN) a WS_POPUP window covers the screen
// in that mode.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);

// Sends WM_DESTROY and WM_NCDESTROY, then closes the system window.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL ShowWindow(HWND window, int command);

// Only GWL_USERDATA is kept. The value is pointer-wide on this platform (as
// SetWindowLongPtrA is on 64-bit Windows) so that it can hold an object's
// address.
LONG_PTR SetWindowLongA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongA(HWND window, int index);

// Default processing: WM_SYSCOMMAND SC_CLOSE sends WM_CLOSE; WM_CLOSE destroys
// the window (for a dialog: destroys the dialog and ends its modal loop);
// WM_SYSCOMMAND SC_SCREENSAVE / SC_MONITORPOWER let the screen saver run;
// WM_PAINT validates; every other message answers 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Calls the window's procedure (or, for a dialog control, the control's own
// handling of CB_* and BM_* messages) and returns its answer.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

BOOL GetWindowRect(HWND window, RECT *rect); // outer rectangle, screen coordinates
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// ---- the message queue ------------------------------------------------------
// Takes pending SDL events into the queue, then the oldest message matching
// the filter (0, 0: every message). SDL events become: key presses and
// releases -> WM_KEYDOWN / WM_KEYUP (WM_SYSKEY* with Alt) with the VK code and
// Win32's lParam layout (repeat count, scan code, extended, previous state,
// transition); the close button and SIGINT/SIGTERM -> WM_SYSCOMMAND SC_CLOSE;
// focus changes -> WM_ACTIVATE; exposure -> WM_PAINT. While a window of the
// show is active the screen saver is inhibited; before it would blank the
// screen the window is sent WM_SYSCOMMAND SC_SCREENSAVE (and SC_MONITORPOWER),
// and the saver is let go only if the procedure passes that on to
// DefWindowProcA.
BOOL PeekMessageA(MSG *message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL TranslateMessage(const MSG *message); // no character messages are generated
LRESULT DispatchMessageA(const MSG *message);
void PostQuitMessage(int exitCode);        // queues WM_QUIT with wParam = exitCode
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- cursor and message boxes -----------------------------------------------
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
int ShowCursor(BOOL show); // display counter as Win32 keeps it; hidden below 0

// A real, modal message box (SDL's, or GTK's when the owner is a dialog).
// Returns IDOK, IDYES or IDNO by the button pressed; closing the box answers
// IDCANCEL for MB_OK boxes and IDNO for MB_YESNO boxes.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- display modes ----------------------------------------------------------
// Mode number i of the primary display as SDL lists it, or the current mode
// for ENUM_CURRENT_SETTINGS. Fills dmBitsPerPel (8-bit RGB in 32-bit pixels
// counts as 32, as Windows reports it), dmPelsWidth, dmPelsHeight,
// dmDisplayFrequency and dmFields. FALSE past the last mode or without a
// display. `device` must be NULL (the primary display).
BOOL EnumDisplaySettingsA(LPCSTR device, DWORD modeNumber, DEVMODEA *mode);

// CDS_FULLSCREEN with a mode: DISP_CHANGE_SUCCESSFUL only for a mode the
// screen offers (width, height, bits per pixel and refresh rate, each field
// compared when its DM_* bit is set), DISP_CHANGE_BADMODE otherwise. The
// switch is made on the next full-screen window (X11: a real mode switch;
// Wayland: the closest the compositor allows) and undone by a NULL mode, by
// closing the window, on SIGINT/SIGTERM and on a crash where the process can
// still act.
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
