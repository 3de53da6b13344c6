// SPDX-License-Identifier: MIT
// GL 1.1's fixed-function vertex stage on the CPU, in float: the matrix
// stacks, the current attributes, sphere-map generation and the assembly of
// GL's primitives into the triangles (or, in line mode, the edges) that WebGL
// draws. Nothing here touches WebGL: gl.cpp hands on what comes out.
#pragma once
#include <GL/gl.h>

#include <vector>

namespace webgl {

// Column-major, as GL stores it.
struct Matrix {
  float m[16];
};

// What WebGL is handed for a vertex: clip-space position, clamped colour,
// texture coordinates (s, t).
struct ClipVertex {
  float position[4];
  float color[4];
  float coord[2];
};

class VertexStage {
public:
  VertexStage() { Reset(); }
  // The state of a new context.
  void Reset();

  // Matrix calls act on the stack chosen by SetMatrixMode.
  void SetMatrixMode(GLenum mode);
  void LoadIdentity();
  void Multiply(const Matrix &right);
  void Translate(float x, float y, float z);
  void Rotate(float angle, float x, float y, float z);
  void Push();
  void Pop();

  void SetColor(float red, float green, float blue, float alpha);
  void SetNormal(float x, float y, float z);
  void SetCoord(float s, float t);
  void SetSphereMap(GLenum coord, bool on);     // GL_S or GL_T generation mode
  void EnableGeneration(GLenum coord, bool on); // GL_TEXTURE_GEN_S / _T
  void SetFlat(bool flat) { flat_ = flat; }
  void SetLines(bool lines) { lines_ = lines; }
  bool Lines() const { return lines_; }

  // glBegin / glVertex / glEnd. End appends the primitive's triangles (or
  // edges, two vertices each, in line mode) to `out`; quads wait for
  // FlushQuads, or for a primitive of another kind.
  bool Begin(GLenum mode);
  bool InPrimitive() const { return inPrimitive_; }
  void Vertex(float x, float y, float z);
  void End(std::vector<ClipVertex> *out);
  // Splits the quads of the GL_QUADS primitives since the last flush into
  // triangles: Mesa draws these as one batch, and splits every quad of it
  // along its other diagonal where any vertex of the batch needs clipping.
  // Call before anything that changes how the batch is drawn.
  void FlushQuads(std::vector<ClipVertex> *out);

private:
  struct Stack {
    Matrix matrices[32];
    int depth; // matrices[depth - 1] is the top
    int capacity;
  };
  Stack &Current() { return matrixMode_ == GL_PROJECTION ? projection_ : modelview_; }
  void Changed();
  void Triangle(std::vector<ClipVertex> *out, int a, int b, int c, int provoking);
  void Polygon(std::vector<ClipVertex> *out, const ClipVertex *vertices, const int *corners, int count, int first,
               int provoking);

  Stack modelview_, projection_;
  GLenum matrixMode_;
  // Derived from the tops when a vertex needs them after a matrix changed.
  bool derivedValid_;
  Matrix modelviewProjection_;
  float normalMatrix_[9]; // the inverse transpose of the modelview's upper 3 x 3, row-major

  float color_[4], normal_[3], coord_[2];
  bool sphereMap_[2], generate_[2]; // [0] s, [1] t
  bool flat_, lines_;

  bool inPrimitive_;
  GLenum primitive_;
  std::vector<ClipVertex> vertices_; // of the primitive being specified
  std::vector<ClipVertex> quads_;    // whole quads waiting for FlushQuads
  bool quadsClipped_;                // a vertex of quads_ lies outside the clip volume
};

} // namespace webgl
