// SPDX-License-Identifier: MIT
// The base of the show's five timed effects: the inclusive time window, and
// the loading of an image file from the data archive into decoded pixels.
#pragma once
// As on Windows, the system header comes before OpenGL's.
#include "platform/windows.h"

#include <GL/gl.h>

#include <string>

class GLContext;
class DataArchive;

// A decoded image as the image library holds it: rows top first, tightly
// packed, 4 bytes per pixel for GL_RGBA and 3 for GL_RGB. The pixels belong to
// the image library and stay valid for the rest of the run.
struct ArchiveImage {
  int width;
  int height;
  unsigned char *pixels;
};

class Effect {
public:
  // Nothing is validated: a window with endMs below startMs never becomes active.
  Effect(GLContext *context, DataArchive *archive, const std::string &name, int startMs, int endMs);
  virtual ~Effect();

  // Draws one whole frame (make current, clear, draw, flush, swap) when timeMs
  // lies in [startMs, endMs]; otherwise makes no OpenGL call at all. True when
  // a frame was drawn.
  virtual bool Render(int timeMs) = 0;

  GLContext *context;   // the window's GL context (not owned)
  DataArchive *archive; // source of the effect's images (not owned)
  std::string name;     // descriptive only; nothing reads it
  int startMs;          // first millisecond of the window
  int endMs;            // last millisecond of the window (inclusive)
  int durationMs;       // endMs - startMs

protected:
  // True when timeMs lies inside the window, both ends included.
  bool IsActive(int timeMs) const { return timeMs >= startMs && timeMs <= endMs; }

  // Fetches `fileName` from the archive, decodes it as PNG, frees the block and
  // makes the context current. `format` is GL_RGBA or GL_RGB: the returned
  // pixels always hold width * height * (4 or 3) bytes. A decodable image in
  // another layout is converted; a missing or undecodable one becomes a
  // single opaque white pixel, and the show goes on.
  ArchiveImage LoadArchiveImage(const std::string &fileName, GLenum format);
};
