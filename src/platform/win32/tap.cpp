// The hooks of platform/tap.h on Windows. platform/windows.h routes the calls
// a tool observes here; with no hook set each one is Windows' own call, so
// the show behaves exactly as without the layer. This file includes the real
// <windows.h>, not platform/windows.h, and so calls the system itself.
#include "platform/tap.h"
#include "platform/session.h"

// clang-format off
#include <windows.h>
#include <GL/gl.h>
// clang-format on

#include <csignal>
#include <cstring>
#include <vector>

extern "C" {
BOOL WINAPI PlatformQueryPerformanceCounter(LARGE_INTEGER *count);
BOOL WINAPI PlatformQueryPerformanceFrequency(LARGE_INTEGER *frequency);
BOOL WINAPI PlatformPeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove);
BOOL WINAPI PlatformSwapBuffers(HDC deviceContext);
}

namespace {

// A tool's counter ticks at 10 MHz, as the Linux layer's always does.
constexpr LONGLONG kHookedFrequency = 10000000;

PlatformCounterSource counterSource = nullptr;
void *counterUser = nullptr;
PlatformIdleHook idleHook = nullptr;
void *idleUser = nullptr;
PlatformFrameTap frameTap = nullptr;
void *frameTapUser = nullptr;
int swapInterval = -1;           // -1: the driver's choice, as the show gets it
HGLRC intervalContext = nullptr; // the context the interval was last given to
std::vector<uint8_t> framePixels;

// Hands the finished back buffer of the current context to the tap, leaving
// the pixel pack state as the frame's code had it (as the Linux layer does).
void TapFrame(HDC deviceContext) {
  RECT client;
  const HWND window = WindowFromDC(deviceContext);
  if (window == nullptr || !GetClientRect(window, &client))
    return;
  const int width = client.right - client.left, height = client.bottom - client.top;
  if (width <= 0 || height <= 0)
    return;
  framePixels.resize(size_t(width) * size_t(height) * 4);
  GLint readBuffer = 0, alignment = 0, rowLength = 0, skipRows = 0, skipPixels = 0;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
  glGetIntegerv(GL_PACK_SKIP_ROWS, &skipRows);
  glGetIntegerv(GL_PACK_SKIP_PIXELS, &skipPixels);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, framePixels.data());
  glReadBuffer(GLenum(readBuffer));
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
  glPixelStorei(GL_PACK_SKIP_ROWS, skipRows);
  glPixelStorei(GL_PACK_SKIP_PIXELS, skipPixels);
  frameTap(frameTapUser, framePixels.data(), width, height);
}

// A tool's swap interval, given once to each context that swaps while it is
// set; the show's own contexts keep the driver's setting otherwise.
void ApplySwapInterval() {
  const HGLRC context = wglGetCurrentContext();
  if (swapInterval < 0 || context == nullptr || context == intervalContext)
    return;
  typedef BOOL(WINAPI * SwapIntervalCall)(int);
  const auto call =
      reinterpret_cast<SwapIntervalCall>(reinterpret_cast<void (*)()>(wglGetProcAddress("wglSwapIntervalEXT")));
  if (call != nullptr)
    call(swapInterval);
  intervalContext = context;
}

} // namespace

BOOL WINAPI PlatformQueryPerformanceCounter(LARGE_INTEGER *count) {
  if (counterSource == nullptr)
    return QueryPerformanceCounter(count);
  count->QuadPart = counterSource(counterUser);
  return TRUE;
}

BOOL WINAPI PlatformQueryPerformanceFrequency(LARGE_INTEGER *frequency) {
  if (counterSource == nullptr)
    return QueryPerformanceFrequency(frequency);
  frequency->QuadPart = kHookedFrequency;
  return TRUE;
}

BOOL WINAPI PlatformPeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  const BOOL took = PeekMessageA(message, window, filterMin, filterMax, remove);
  if (!took && idleHook != nullptr)
    idleHook(idleUser);
  return took;
}

BOOL WINAPI PlatformSwapBuffers(HDC deviceContext) {
  if (frameTap != nullptr && wglGetCurrentContext() != nullptr && wglGetCurrentDC() == deviceContext)
    TapFrame(deviceContext);
  ApplySwapInterval();
  return SwapBuffers(deviceContext);
}

void PlatformSetCounterSource(PlatformCounterSource source, void *user) {
  counterSource = source;
  counterUser = user;
}

void PlatformSetIdleHook(PlatformIdleHook hook, void *user) {
  idleHook = hook;
  idleUser = user;
}

void PlatformSetFrameTap(PlatformFrameTap tap, void *user) {
  frameTap = tap;
  frameTapUser = user;
}

void PlatformSetSwapInterval(int interval) {
  swapInterval = interval;
  intervalContext = nullptr;
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

// Windows gives the desktop mode back and frees windows and contexts when a
// process ends; a mode the program set is restored now all the same.
void Shutdown() {
  ChangeDisplaySettingsA(nullptr, 0);
}

} // namespace platform

// The offline mix serves the Linux tree's tests and benchmarks; the capture's
// videos take the soundtrack file itself. Here FSOUND keeps its devices, and
// a pull is silence.
void PlatformSetSoundPull(bool) {}

void PlatformSoundPull(int16_t *out, int frames) {
  std::memset(out, 0, size_t(frames) * 2 * sizeof *out);
}
