// SPDX-License-Identifier: MIT
// What the parts of the window layer share inside src/platform/user: the
// top-level window object over SDL, its drawable, and the hand-offs between
// windows, display modes, the message queue, WGL and the signal handlers.
#pragma once
#ifdef _WIN32
#error "This header is the Linux back end's: Windows has its own USER, GDI and kernel"
#endif
#include "common/window_object.h"

#include <SDL.h>

#include <atomic>
#include <string>
#include <vector>

namespace platform {
class TopWindow;
}

// A window's drawable: the HDC handed out by GetDC, one per top-level window.
struct HDC__ {
  platform::TopWindow *window;
};

namespace platform {

// The GL attribute sizes a native window is made with (SDL wants them before
// the window exists). All sizes in bits.
struct GlFormat {
  int red, green, blue; // per colour channel
  int alpha;
  int depth;
  int stencil;
  int accum; // per accumulation channel (all four alike)
};
bool operator==(const GlFormat &a, const GlFormat &b);

// A top-level window of the program: an SDL window behind a Win32 handle.
class TopWindow : public HWND__ {
public:
  TopWindow(WNDPROC procedure, DWORD style, DWORD exStyle, const char *title);
  ~TopWindow() override;

  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefaultProcess(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL GetRect(RECT *rect) override;
  BOOL SetPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) override;
  BOOL Destroy() override;

  // Makes the SDL window (hidden) with the client size and position given,
  // as an OpenGL window of the closest format to `gl` where the display has
  // OpenGL. False when SDL makes no window at all, or none that could ever
  // show (*why says why).
  bool MakeNative(int x, int y, int width, int height, const GlFormat &gl, std::string *why);
  // Replaces the SDL window by one with the format `gl`, keeping size,
  // position, visibility and full-screen state. False if no GL window could
  // be made (the old window then stays).
  bool RemakeNative(const GlFormat &gl);
  // Lets the SDL window go without sending any message (end of process).
  void DropNative();
  // The window is dead from here on: no SDL window, refused by every call.
  void MarkDestroyed();

  void Show(bool visible);
  bool Visible() const;
  void ClientSize(int *width, int *height) const;

  // Full-screen state, driven by ChangeDisplaySettingsA (display.cpp).
  bool IsPopup() const { return (style & WS_POPUP) != 0; }
  void CoverScreen();   // take the held display mode, if one is held
  void UncoverScreen(); // back to a plain window of the same size

  WNDPROC procedure;
  DWORD style;
  DWORD exStyle;
  std::string title;
  SDL_Window *sdl = nullptr;  // NULL once destroyed
  Uint32 sdlId = 0;           // SDL's window id, to route events
  HDC__ dc;                   // the drawable handed out by GetDC
  bool glCapable = false;     // the SDL window was made for OpenGL
  std::string glFailure;      // why the latest OpenGL window could not be made (SDL's words)
  GlFormat glRequested{};     // the format asked for when the SDL window was made
  GlFormat glFormat{};        // the closest the display gave (when glCapable)
  int pixelFormat = 0;        // index fixed by SetPixelFormat; 0 until then
  bool needsPaint = false;    // exposed and not yet validated (WM_PAINT due)
  bool coversScreen = false;  // real full-screen with a switched mode
  SDL_Rect uncovered{};       // client position and size to return to from full-screen
  bool saverPassedOn = false; // SC_SCREENSAVE / SC_MONITORPOWER reached DefWindowProcA
  bool destroying = false;    // inside Destroy (WM_DESTROY / WM_NCDESTROY)

private:
  // A hidden SDL window with this window's styles; an OpenGL one with the
  // format `gl`, a plain one for NULL.
  SDL_Window *CreateSdlWindow(int x, int y, int width, int height, const GlFormat *gl);
  // An OpenGL window of the closest format to `gl` the display gives (*got).
  SDL_Window *CreateGlWindow(int x, int y, int width, int height, const GlFormat &gl, GlFormat *got);
};

// ---- registry of top-level windows (top_window.cpp) -------------------------
std::vector<TopWindow *> &TopWindows();     // every one made, destroyed ones too, until Shutdown
TopWindow *AsTopWindow(HWND window);        // NULL for other kinds, dead or unknown handles
TopWindow *FindTopWindow(Uint32 sdlId);     // live window with that SDL id
TopWindow *TopWindowFromDc(HDC dc);         // live window owning that drawable
extern std::atomic<int> liveTopWindowCount; // read by the signal handlers

// ---- video (video.cpp) ------------------------------------------------------
bool EnsureVideo(); // SDL video started (once); false without a display
// From now on a lost connection to the X server ends the process with one
// line that says so, and status 1. Again after each library that connects.
void WatchDisplayConnection();

// ---- display modes (display.cpp) --------------------------------------------
struct HeldMode {
  bool held;            // a switch is in effect
  bool pretend;         // against a test list: nothing real changes
  SDL_DisplayMode mode; // the real mode (when !pretend)
  int width, height;    // the mode's size
};
HeldMode CurrentHold();
void RestoreDisplayNow(); // leaves real full-screen on every window; any thread state, best effort

// ---- cursor (gdi.cpp) -------------------------------------------------------
void ApplyCursor(); // shows or hides SDL's cursor by ShowCursor's counter

// ---- WGL (wgl.cpp) ----------------------------------------------------------
extern const GlFormat kDefaultGlFormat; // what windows are made with before SetPixelFormat
void ReleaseGlFrom(TopWindow *window);  // no context current on a window about to go
void DeleteAllContexts();

// ---- helper processes (helpers.cpp) -------------------------------------------
// Ends every helper (SIGTERM, then SIGKILL for what is left after a moment)
// once KeepHelpersWithProcess was called; nothing otherwise. A helper is a
// descendant that was not there, nor below one that was, when that call was
// made. Safe in a signal handler.
void EndHelpers();

// ---- signals (signals.cpp) --------------------------------------------------
void InstallSignalHandlers();
bool TakeCloseRequest(); // true once per stop signal turned into a close

// ---- call counts and failures (wgl.cpp) -------------------------------------
void CountDisplayChange();
// A window, pixel format or context the program asked for cannot be had:
// "PROGRAM: WHAT" on stderr, kept for PlatformLastDrawFailure.
void ReportDrawFailure(const std::string &what);

} // namespace platform
