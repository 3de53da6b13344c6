// SPDX-License-Identifier: MIT
// Window classes and top-level windows over SDL: creation with the Win32
// message sequence, default processing, geometry and destruction.
#include "user/frame.h"
#include "user/layer.h"

#include "platform/command_line.h"
#include "platform/user.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace platform {

std::atomic<int> liveTopWindowCount{0};

bool operator==(const GlFormat &a, const GlFormat &b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue && a.alpha == b.alpha && a.depth == b.depth &&
         a.stencil == b.stencil && a.accum == b.accum;
}

namespace {

struct WindowClass {
  std::string name;
  WNDCLASSEXA record; // lpszClassName points into `name`
};

// Class names compare without regard to case, as Win32 does.
std::string ClassKey(const char *name) {
  std::string key(name);
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return key;
}

std::map<std::string, WindowClass> &Classes() {
  static auto *classes = new std::map<std::string, WindowClass>; // lives to the end of the process
  return *classes;
}

// The formats to try for a request, closest first: each step gives up one
// more thing the display may lack.
std::vector<GlFormat> Relaxations(const GlFormat &wanted) {
  std::vector<GlFormat> steps{wanted};
  GlFormat f = wanted;
  if (f.accum != 0) {
    f.accum = 0;
    steps.push_back(f);
  }
  if (f.stencil != 0) {
    f.stencil = 0;
    steps.push_back(f);
  }
  if (f.alpha != 0) {
    f.alpha = 0;
    steps.push_back(f);
  }
  if (f.depth > 16) {
    f.depth = 16;
    steps.push_back(f);
  }
  return steps;
}

void SetGlAttributes(const GlFormat &f) {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, f.red);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, f.green);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, f.blue);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, f.alpha);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, f.depth);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, f.stencil);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, f.accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, f.accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, f.accum);
  SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, f.accum);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

} // namespace

// ---- registry -----------------------------------------------------------------

std::vector<TopWindow *> &TopWindows() {
  static auto *windows = new std::vector<TopWindow *>; // lives to the end of the process
  return *windows;
}

TopWindow *AsTopWindow(HWND window) {
  if (!IsLiveWindow(window))
    return nullptr;
  return dynamic_cast<TopWindow *>(window);
}

TopWindow *FindTopWindow(Uint32 sdlId) {
  for (TopWindow *window : TopWindows())
    if (!window->destroyed && window->sdl != nullptr && window->sdlId == sdlId)
      return window;
  return nullptr;
}

TopWindow *TopWindowFromDc(HDC dc) {
  if (dc == nullptr)
    return nullptr;
  for (TopWindow *window : TopWindows())
    if (&window->dc == dc)
      return window->destroyed ? nullptr : window;
  return nullptr;
}

// ---- the window object ----------------------------------------------------------

TopWindow::TopWindow(WNDPROC procedure, DWORD style, DWORD exStyle, const char *title)
    : procedure(procedure), style(style), exStyle(exStyle), title(title ? title : "") {
  dc.window = this;
  TopWindows().push_back(this);
  ++liveTopWindowCount;
}

TopWindow::~TopWindow() {
  DropNative();
  if (!destroyed)
    --liveTopWindowCount;
  auto &all = TopWindows();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

LRESULT TopWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure != nullptr ? procedure(this, message, wParam, lParam) : DefaultProcess(message, wParam, lParam);
}

LRESULT TopWindow::DefaultProcess(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_NCCREATE:
    return TRUE;
  case WM_CLOSE:
    DestroyWindow(this);
    return 0;
  case WM_SYSCOMMAND:
    switch (wParam & 0xFFF0) {
    case SC_CLOSE:
      Send(WM_CLOSE, 0, 0);
      break;
    case SC_MINIMIZE:
      if (sdl)
        SDL_MinimizeWindow(sdl);
      break;
    case SC_MAXIMIZE:
      if (sdl)
        SDL_MaximizeWindow(sdl);
      break;
    case SC_RESTORE:
      if (sdl)
        SDL_RestoreWindow(sdl);
      break;
    case SC_SCREENSAVE:
    case SC_MONITORPOWER:
      saverPassedOn = true; // the window lets the saver and power-down happen
      break;
    default:
      break;
    }
    return 0;
  case WM_SYSKEYDOWN:
    if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN))
      PostMessageA(this, WM_SYSCOMMAND, SC_CLOSE, 0);
    return 0;
  case WM_PAINT:
    needsPaint = false;
    return 0;
  case WM_ERASEBKGND:
    return 1;
  default:
    return 0;
  }
}

BOOL TopWindow::GetRect(RECT *rect) {
  if (sdl == nullptr)
    return FALSE;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(sdl, &x, &y);
  SDL_GetWindowSize(sdl, &width, &height);
  const RECT insets = FrameInsets(style, exStyle);
  *rect = {x - insets.left, y - insets.top, x + width + insets.right, y + height + insets.bottom};
  return TRUE;
}

BOOL TopWindow::SetPos(HWND, int x, int y, int cx, int cy, UINT flags) {
  if (sdl == nullptr)
    return FALSE;
  const RECT insets = FrameInsets(style, exStyle);
  if (!(flags & SWP_NOMOVE))
    SDL_SetWindowPosition(sdl, x + insets.left, y + insets.top);
  if (!(flags & SWP_NOSIZE))
    SDL_SetWindowSize(sdl, std::max(1, int(cx - insets.left - insets.right)),
                      std::max(1, int(cy - insets.top - insets.bottom)));
  if (flags & SWP_SHOWWINDOW)
    Show(true);
  if (flags & SWP_HIDEWINDOW)
    Show(false);
  return TRUE;
}

BOOL TopWindow::Destroy() {
  if (destroyed || destroying)
    return FALSE;
  destroying = true;
  Send(WM_DESTROY, 0, 0);
  Send(WM_NCDESTROY, 0, 0);
  MarkDestroyed();
  destroying = false;
  return TRUE;
}

void TopWindow::MarkDestroyed() {
  DropNative();
  destroyed = true;
  --liveTopWindowCount;
}

SDL_Window *TopWindow::CreateSdlWindow(int x, int y, int width, int height, const GlFormat *gl) {
  // No SDL_WINDOW_ALLOW_HIGHDPI: the drawable is exactly width x height.
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (IsPopup())
    flags |= SDL_WINDOW_BORDERLESS;
  else if (style & WS_THICKFRAME)
    flags |= SDL_WINDOW_RESIZABLE;
  if (gl != nullptr) {
    SetGlAttributes(*gl);
    flags |= SDL_WINDOW_OPENGL;
  }
  return SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
}

SDL_Window *TopWindow::CreateGlWindow(int x, int y, int width, int height, const GlFormat &gl, GlFormat *got) {
  for (const GlFormat &candidate : Relaxations(gl)) {
    if (SDL_Window *made = CreateSdlWindow(x, y, width, height, &candidate)) {
      *got = candidate;
      return made;
    }
  }
  return nullptr;
}

bool TopWindow::MakeNative(int x, int y, int width, int height, const GlFormat &gl, std::string *why) {
  glRequested = gl;
  SDL_Window *made = CreateGlWindow(x, y, width, height, gl, &glFormat);
  glCapable = made != nullptr;
  if (made == nullptr) {
    glFailure = SDL_GetError();
    // A Wayland compositor shows a surface only once something is drawn in
    // it: without OpenGL the window would never appear, and nothing could
    // end the show but a signal. Elsewhere it still gets its window.
    const char *driver = SDL_GetCurrentVideoDriver();
    if (driver != nullptr && std::strcmp(driver, "wayland") == 0) {
      *why = "no OpenGL to draw it with (" + glFailure + "), and a Wayland window shows only what is drawn in it";
      return false;
    }
    made = CreateSdlWindow(x, y, width, height, nullptr);
    if (made == nullptr) {
      *why = SDL_GetError();
      return false;
    }
  }
  sdl = made;
  sdlId = SDL_GetWindowID(made);
  return true;
}

bool TopWindow::RemakeNative(const GlFormat &gl) {
  if (sdl == nullptr)
    return false;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(sdl, &x, &y);
  SDL_GetWindowSize(sdl, &width, &height);
  GlFormat got{};
  SDL_Window *made = CreateGlWindow(x, y, width, height, gl, &got);
  if (made == nullptr) {
    glFailure = SDL_GetError();
    return false;
  }
  const bool visible = Visible();
  const bool covered = coversScreen;
  const SDL_Rect ownPlace = uncovered;
  DropNative();
  sdl = made;
  sdlId = SDL_GetWindowID(made);
  glRequested = gl;
  glFormat = got;
  glCapable = true;
  if (covered) {
    CoverScreen();
    uncovered = ownPlace;
  }
  if (visible)
    Show(true);
  return true;
}

void TopWindow::DropNative() {
  if (sdl == nullptr)
    return;
  ReleaseGlFrom(this);
  SDL_DestroyWindow(sdl); // leaves full-screen first, which gives the desktop its mode back
  sdl = nullptr;
  coversScreen = false;
}

void TopWindow::Show(bool visible) {
  if (sdl == nullptr)
    return;
  if (visible) {
    SDL_ShowWindow(sdl);
    needsPaint = true;
  } else {
    SDL_HideWindow(sdl);
  }
}

bool TopWindow::Visible() const {
  return sdl != nullptr && (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) != 0;
}

void TopWindow::ClientSize(int *width, int *height) const {
  *width = *height = 0;
  if (sdl != nullptr)
    SDL_GetWindowSize(sdl, width, height);
}

void TopWindow::CoverScreen() {
  const HeldMode hold = CurrentHold();
  if (!hold.held || !IsPopup() || sdl == nullptr)
    return;
  if (hold.pretend) {
    SDL_SetWindowPosition(sdl, 0, 0);
    SDL_SetWindowSize(sdl, hold.width, hold.height);
    return;
  }
  if (!coversScreen) {
    SDL_GetWindowPosition(sdl, &uncovered.x, &uncovered.y);
    SDL_GetWindowSize(sdl, &uncovered.w, &uncovered.h);
  }
  // A window manager moves a full-screen window to the screen's corner; with
  // none, the window would stay where it was placed on the desktop (centred
  // on the larger mode) and hang off the switched screen.
  SDL_Rect bounds;
  if (!coversScreen && SDL_GetDisplayBounds(0, &bounds) == 0)
    SDL_SetWindowPosition(sdl, bounds.x, bounds.y);
  // On a hidden window SDL records the state and switches when it is shown.
  SDL_DisplayMode mode = hold.mode;
  if (SDL_SetWindowDisplayMode(sdl, &mode) == 0 && SDL_SetWindowFullscreen(sdl, SDL_WINDOW_FULLSCREEN) == 0)
    coversScreen = true;
}

void TopWindow::UncoverScreen() {
  if (!coversScreen || sdl == nullptr)
    return;
  SDL_SetWindowFullscreen(sdl, 0);
  // Without a window manager SDL leaves the window at the screen's size.
  SDL_SetWindowSize(sdl, uncovered.w, uncovered.h);
  SDL_SetWindowPosition(sdl, uncovered.x, uncovered.y);
  coversScreen = false;
}

} // namespace platform

using platform::TopWindow;

ATOM RegisterClassExA(const WNDCLASSEXA *windowClass) {
  static ATOM nextAtom = 0xC000; // Win32 numbers registered classes from here
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpszClassName[0] == '\0' ||
      windowClass->cbSize != sizeof(WNDCLASSEXA))
    return 0;
  auto &classes = platform::Classes();
  const std::string key = platform::ClassKey(windowClass->lpszClassName);
  if (classes.count(key) != 0)
    return 0;
  platform::WindowClass &entry = classes[key];
  entry.name = windowClass->lpszClassName;
  entry.record = *windowClass;
  entry.record.lpszClassName = entry.name.c_str();
  entry.record.lpszMenuName = nullptr;
  return nextAtom++;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  if (className == nullptr || (style & WS_CHILD) || parent != nullptr)
    return nullptr;
  auto &classes = platform::Classes();
  const auto found = classes.find(platform::ClassKey(className));
  if (found == classes.end() || !platform::EnsureVideo())
    return nullptr;
  const WNDCLASSEXA &windowClass = found->second.record;

  // The caller gives the outer size; SDL takes the client size.
  const RECT insets = platform::FrameInsets(style, exStyle);
  int clientWidth = width == CW_USEDEFAULT ? 640 : width - insets.left - insets.right;
  int clientHeight = width == CW_USEDEFAULT ? 480 : height - insets.top - insets.bottom;
  clientWidth = std::max(1, clientWidth);
  clientHeight = std::max(1, clientHeight);
  const int clientX = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : x + insets.left;
  const int clientY = x == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : y + insets.top;

  auto *window = new TopWindow(windowClass.lpfnWndProc, style, exStyle, title);
  std::string why;
  if (!window->MakeNative(clientX, clientY, clientWidth, clientHeight, platform::kDefaultGlFormat, &why)) {
    platform::ReportDrawFailure("cannot make the window \"" + window->title + "\": " + why);
    delete window;
    // With no window there is nothing to end the program's loop in: it
    // gets its quit message now.
    PostQuitMessage(kExitFailure);
    return nullptr;
  }
  window->CoverScreen(); // a popup window made during a display switch fills the screen

  // Win32 asks for the size limits before the window's own data exists.
  MINMAXINFO limits;
  std::memset(&limits, 0, sizeof limits);
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
    limits.ptMaxSize = {desktop.w, desktop.h};
    limits.ptMaxTrackSize = {desktop.w, desktop.h};
  }
  limits.ptMinTrackSize = {insets.left + insets.right + 1, insets.top + insets.bottom + 1};
  window->Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));

  CREATESTRUCTA create = {param, instance, menu, parent, height, width, y, x, LONG(style), title, className, exStyle};
  if (window->destroyed || window->Send(WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == FALSE) {
    if (!window->destroyed) { // refused: Win32 sends only WM_NCDESTROY then
      window->Send(WM_NCDESTROY, 0, 0);
      window->MarkDestroyed();
    }
    return nullptr;
  }
  RECT client = {0, 0, clientWidth, clientHeight};
  window->Send(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
  if (window->destroyed || window->Send(WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(window);
    return nullptr;
  }
  if (!window->destroyed && (style & WS_VISIBLE)) {
    window->Send(WM_SHOWWINDOW, TRUE, 0);
    if (!window->destroyed)
      window->Show(true);
  }
  return window->destroyed ? nullptr : window;
}

BOOL ShowWindow(HWND window, int command) {
  TopWindow *top = platform::AsTopWindow(window);
  if (top == nullptr || top->destroyed)
    return FALSE;
  const BOOL wasVisible = top->Visible();
  top->Show(command != SW_HIDE);
  return wasVisible;
}
