// SPDX-License-Identifier: MIT
// Windows by title, screenshots and key presses on the X server the test
// runs under.
#include "screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace showkit {

namespace {

Display *D(void *display) {
  return static_cast<Display *>(display);
}

// The window's title: WM_NAME, or _NET_WM_NAME where only that is set (SDL's
// message boxes name themselves in UTF-8 only).
std::string Title(Display *display, Window window) {
  std::string title;
  char *name = nullptr;
  if (XFetchName(display, window, &name) != 0 && name != nullptr) {
    title = name;
    XFree(name);
    return title;
  }
  XTextProperty property;
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  if (XGetTextProperty(display, window, &property, netName) != 0 && property.value != nullptr) {
    title.assign(reinterpret_cast<const char *>(property.value), property.nitems);
    XFree(property.value);
  }
  return title;
}

// Depth first through the window tree.
Window FindIn(Display *display, Window window, const std::string &title) {
  XWindowAttributes attributes;
  if (Title(display, window) == title && XGetWindowAttributes(display, window, &attributes) != 0 &&
      attributes.map_state == IsViewable)
    return window;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
    return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && found == 0; ++i)
    found = FindIn(display, children[i], title);
  if (children != nullptr)
    XFree(children);
  return found;
}

// A window that goes away between the look-up and the call is no failure of
// the test's: X errors are answered with nothing.
int IgnoreErrors(Display *, XErrorEvent *) {
  return 0;
}

} // namespace

Screen::Screen() {
  display = XOpenDisplay(nullptr);
  XSetErrorHandler(IgnoreErrors);
}

Screen::~Screen() {
  if (display != nullptr)
    XCloseDisplay(D(display));
}

unsigned long Screen::Find(const std::string &title) {
  if (display == nullptr)
    return 0;
  return FindIn(D(display), DefaultRootWindow(D(display)), title);
}

unsigned long Screen::WaitFor(const std::string &title, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    if (unsigned long window = Find(title))
      return window;
    if (std::chrono::steady_clock::now() >= deadline)
      return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

unsigned long Screen::Root() {
  return display != nullptr ? DefaultRootWindow(D(display)) : 0;
}

bool Screen::Geometry(unsigned long window, int *x, int *y, int *width, int *height) {
  XWindowAttributes attributes;
  Window child = 0;
  if (display == nullptr || XGetWindowAttributes(D(display), window, &attributes) == 0 ||
      !XTranslateCoordinates(D(display), window, DefaultRootWindow(D(display)), 0, 0, x, y, &child))
    return false;
  *width = attributes.width;
  *height = attributes.height;
  return true;
}

bool Screen::Grab(unsigned long window, Picture *picture) {
  XWindowAttributes attributes;
  if (display == nullptr || XGetWindowAttributes(D(display), window, &attributes) == 0)
    return false;
  XImage *image =
      XGetImage(D(display), window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap);
  if (image == nullptr)
    return false;
  picture->width = attributes.width;
  picture->height = attributes.height;
  picture->rgb.resize(size_t(picture->width) * size_t(picture->height) * 3);
  uint8_t *out = picture->rgb.data();
  for (int y = 0; y < picture->height; ++y)
    for (int x = 0; x < picture->width; ++x, out += 3) {
      const unsigned long pixel = XGetPixel(image, x, y);
      out[0] = uint8_t((pixel & image->red_mask) >> 16);
      out[1] = uint8_t((pixel & image->green_mask) >> 8);
      out[2] = uint8_t(pixel & image->blue_mask);
    }
  XDestroyImage(image);
  return true;
}

bool Screen::Close(unsigned long window, bool viaManager) {
  if (display == nullptr)
    return false;
  Display *x = D(display);
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.format = 32;
  Status sent;
  if (viaManager) {
    event.xclient.message_type = XInternAtom(x, "_NET_CLOSE_WINDOW", False);
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2; // a direct action of the user's
    sent = XSendEvent(x, DefaultRootWindow(x), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  } else {
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    sent = XSendEvent(x, window, False, NoEventMask, &event);
  }
  XFlush(x);
  return sent != 0;
}

bool Screen::Press(unsigned long window, const std::string &key) {
  const std::string id = std::to_string(window);
  RunOptions options;
  options.timeoutSeconds = 30;
  RunProgram({"/usr/bin/xdotool", "windowfocus", "--sync", id}, options);
  return RunProgram({"/usr/bin/xdotool", "key", key}, options).status == 0;
}

} // namespace showkit
