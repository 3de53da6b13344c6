// SPDX-License-Identifier: MIT
// Start and end of the layer's display connection: the program's main()
// opens it before WinMain and shuts down after; tools and tests that run the
// show's code without main() (capture, benchmarks) do the same. No SDL types.
#pragma once
#include <string>

namespace platform {

// Connects to the display (X11 or Wayland, through SDL) once. False when there
// is none; *why then holds one line naming the cause.
bool OpenDisplay(std::string *why);

// Makes this process the parent of every process started below it, also of
// one that leaves its own parent (a daemon, such as the session bus GTK
// launches where there is none), and ends them all when the program ends:
// at exit and on a stop or fatal signal. Children it already has when called
// (left to it by the shell that started it) are not its own, nor is anything
// below them: those are left alone. For programs, before the display is
// opened; tests and tools that start processes of their own leave it off.
void KeepHelpersWithProcess();

// True when a window, OpenGL pixel format or context the program asked for
// could not be made (PlatformLastDrawFailure says why; on Linux the layer
// said so on stderr) and no frame it drew ever reached the screen: a show
// that could not draw. Its main() then ends with status 1, though the show
// ran on blank, as the viewer saw it.
bool CouldNotDraw();

// What the end of the process does on Win32: gives the desktop its display
// mode back and lets every window and GL context go, without sending any
// message (the objects behind the window procedures are gone by then).
void Shutdown();

} // namespace platform
