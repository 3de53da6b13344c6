// SPDX-License-Identifier: MIT
// The calls a tool observes, on Windows. platform/windows.h routes the
// counter, PeekMessageA and SwapBuffers here; with no hook set each one is
// Windows' own call, and SwapBuffers adds only the common frame pacing. This
// file includes the real <windows.h>, not platform/windows.h, and so calls
// the system itself.
#include "common/hooks.h"
#include "common/present.h"
#include "platform/session.h"
#include "platform/tap.h"

// clang-format off
#include <windows.h>
#include <GL/gl.h>
// clang-format on

#include <csignal>
#include <cstdint>
#include <string>

extern "C" {
BOOL WINAPI PlatformQueryPerformanceCounter(LARGE_INTEGER *count);
BOOL WINAPI PlatformQueryPerformanceFrequency(LARGE_INTEGER *frequency);
BOOL WINAPI PlatformPeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL WINAPI PlatformSwapBuffers(HDC deviceContext);
HWND WINAPI PlatformCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
}

namespace {

// A tool's counter ticks at 10 MHz, as the Linux layer's always does.
constexpr LONGLONG kHookedFrequency = 10000000;

uint64_t framesPresented = 0; // swaps of a window with its context current
std::string lastFailure;      // why the latest window could not be made

HGLRC intervalContext = nullptr; // the context a tool's swap interval was last given to
int intervalGiven = -1;          // and the interval it was given

// A tool's swap interval, given once to each context that swaps while it is
// set; the show's own contexts keep the driver's setting otherwise.
void ApplySwapInterval() {
  const int interval = platform::RequestedSwapInterval();
  const HGLRC context = wglGetCurrentContext();
  if (interval < 0 || context == nullptr || (context == intervalContext && interval == intervalGiven))
    return;
  typedef BOOL(WINAPI * SwapIntervalCall)(int);
  const auto call =
      reinterpret_cast<SwapIntervalCall>(reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
  if (call != nullptr)
    call(interval);
  intervalContext = context;
  intervalGiven = interval;
}

} // namespace

BOOL WINAPI PlatformQueryPerformanceCounter(LARGE_INTEGER *count) {
  int64_t ticks = 0;
  if (!platform::HookedCounter(&ticks))
    return QueryPerformanceCounter(count);
  count->QuadPart = ticks;
  return TRUE;
}

BOOL WINAPI PlatformQueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  int64_t ticks = 0;
  if (!platform::HookedCounter(&ticks))
    return QueryPerformanceFrequency(frequency);
  frequency->QuadPart = kHookedFrequency;
  return TRUE;
}

BOOL WINAPI PlatformPeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  const BOOL took = PeekMessageA(message, window, filterMin, filterMax, remove);
  if (!took)
    platform::RunIdleHook();
  return took;
}

BOOL WINAPI PlatformSwapBuffers(HDC deviceContext) {
  RECT client = {0, 0, 0, 0};
  const HWND window = WindowFromDC(deviceContext);
  if (window != nullptr)
    GetClientRect(window, &client);
  const bool current = wglGetCurrentContext() != nullptr && wglGetCurrentDC() == deviceContext;
  platform::BeforePresent(client.right - client.left, client.bottom - client.top, current);
  ApplySwapInterval();
  const BOOL swapped = SwapBuffers(deviceContext);
  if (swapped && current)
    ++framesPresented;
  return swapped;
}

HWND WINAPI PlatformCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  const HWND made =
      CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance, param);
  if (made == nullptr) {
    const DWORD error = GetLastError();
    char text[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, sizeof text,
                   nullptr);
    lastFailure = "cannot make the window \"" + std::string(title != nullptr ? title : "") +
                  "\": " + (text[0] != '\0' ? text : "error " + std::to_string(error));
    while (!lastFailure.empty() && (lastFailure.back() == '\n' || lastFailure.back() == '\r'))
      lastFailure.pop_back(); // the system's text ends its line
  }
  return made;
}

const char *PlatformLastDrawFailure(void) {
  return lastFailure.c_str();
}

namespace {

// Ctrl+C or Ctrl+Break at the console, as SIGINT or SIGBREAK, once seen.
volatile LONG stopSignal = 0;
DWORD displayThread = 0;

BOOL CALLBACK PostClose(HWND window, LPARAM) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// Windows would end a console program on Ctrl+C at once, in the middle of
// whatever it writes. As a stop signal does on Linux, the key closes the
// windows of the thread that opened the display instead (the handler runs on
// a thread of its own), and the program ends as when its window is closed.
// Closing the console still ends it as Windows does.
BOOL WINAPI OnConsoleStop(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
    return FALSE;
  InterlockedExchange(&stopSignal, event == CTRL_C_EVENT ? SIGINT : SIGBREAK);
  EnumThreadWindows(displayThread, PostClose, 0);
  return TRUE;
}

} // namespace

int PlatformStopSignal(void) {
  return int(stopSignal);
}

namespace platform {

// The desktop is always there on Windows; Ctrl+C is taken from here on.
bool OpenDisplay(std::string *) {
  if (displayThread == 0) {
    displayThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(OnConsoleStop, TRUE);
  }
  return true;
}

bool CouldNotDraw() {
  return !lastFailure.empty() && framesPresented == 0;
}

// Windows gives the desktop mode back and frees windows and contexts when a
// process ends; a mode the program set is restored now all the same.
void Shutdown() {
  ChangeDisplaySettingsA(nullptr, 0);
}

} // namespace platform
