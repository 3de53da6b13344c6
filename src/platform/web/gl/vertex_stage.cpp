// SPDX-License-Identifier: MIT
// The vertex stage: every product and sum in float and in the order desktop
// GL (Mesa) forms it, so that clip coordinates, and with them the pixels,
// come out as on the desktop.
#include "vertex_stage.h"

#include <algorithm>
#include <cmath>

namespace webgl {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr Matrix kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// a * b, column-major.
Matrix Product(const Matrix &a, const Matrix &b) {
  Matrix p;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col)
      p.m[col * 4 + row] = a.m[row] * b.m[col * 4] + a.m[4 + row] * b.m[col * 4 + 1] + a.m[8 + row] * b.m[col * 4 + 2] +
                           a.m[12 + row] * b.m[col * 4 + 3];
  return p;
}

// Row `row` of m times (x, y, z, 1).
float Row(const Matrix &m, int row, float x, float y, float z) {
  return m.m[row] * x + m.m[4 + row] * y + m.m[8 + row] * z + m.m[12 + row];
}

float Clamp01(float value) {
  return std::min(1.0f, std::max(0.0f, value));
}

} // namespace

void VertexStage::Reset() {
  modelview_.matrices[0] = kIdentity;
  modelview_.depth = 1;
  modelview_.capacity = 32;
  projection_.matrices[0] = kIdentity;
  projection_.depth = 1;
  projection_.capacity = 4;
  matrixMode_ = GL_MODELVIEW;
  derivedValid_ = false;
  std::fill(color_, color_ + 4, 1.0f);
  normal_[0] = normal_[1] = 0;
  normal_[2] = 1;
  coord_[0] = coord_[1] = 0;
  sphereMap_[0] = sphereMap_[1] = false;
  generate_[0] = generate_[1] = false;
  flat_ = lines_ = false;
  inPrimitive_ = false;
  vertices_.clear();
  quads_.clear();
  quadsClipped_ = false;
}

void VertexStage::SetMatrixMode(GLenum mode) {
  if (mode == GL_MODELVIEW || mode == GL_PROJECTION)
    matrixMode_ = mode;
}

void VertexStage::Changed() {
  derivedValid_ = false;
}

void VertexStage::LoadIdentity() {
  Stack &stack = Current();
  stack.matrices[stack.depth - 1] = kIdentity;
  Changed();
}

void VertexStage::Multiply(const Matrix &right) {
  Stack &stack = Current();
  stack.matrices[stack.depth - 1] = Product(stack.matrices[stack.depth - 1], right);
  Changed();
}

void VertexStage::Translate(float x, float y, float z) {
  Stack &stack = Current();
  float *m = stack.matrices[stack.depth - 1].m;
  for (int row = 0; row < 4; ++row)
    m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
  Changed();
}

void VertexStage::Rotate(float angle, float x, float y, float z) {
  // sin and cos in double, rounded once, as Mesa forms them.
  const float s = float(std::sin(angle * kPi / 180.0));
  const float c = float(std::cos(angle * kPi / 180.0));
  Matrix r = kIdentity;
  // About one axis the matrix is written out, as Mesa writes it: the axis's
  // own entry stays exactly 1.
  const int axes = (x != 0) + (y != 0) + (z != 0);
  if (axes == 1) {
    const int a = x != 0 ? 1 : 0, b = z != 0 ? 1 : 2;                     // the plane turned: rows and columns a, b
    const float sign = (x != 0 ? x : y != 0 ? -y : z) < 0 ? -1.0f : 1.0f; // y turns z towards x
    r.m[a * 5] = c;
    r.m[b * 5] = c;
    r.m[a * 4 + b] = sign * s;  // column a, row b
    r.m[b * 4 + a] = -sign * s; // column b, row a
    Multiply(r);
    return;
  }
  const float magnitude = std::sqrt(x * x + y * y + z * z);
  if (magnitude <= 1.0e-4f)
    return; // no axis: no rotation
  x /= magnitude;
  y /= magnitude;
  z /= magnitude;
  const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
  const float xs = x * s, ys = y * s, zs = z * s, oneMinusC = 1.0f - c;
  r.m[0] = oneMinusC * xx + c;
  r.m[4] = oneMinusC * xy - zs;
  r.m[8] = oneMinusC * zx + ys;
  r.m[1] = oneMinusC * xy + zs;
  r.m[5] = oneMinusC * yy + c;
  r.m[9] = oneMinusC * yz - xs;
  r.m[2] = oneMinusC * zx - ys;
  r.m[6] = oneMinusC * yz + xs;
  r.m[10] = oneMinusC * zz + c;
  Multiply(r);
}

void VertexStage::Push() {
  Stack &stack = Current();
  if (stack.depth == stack.capacity)
    return;
  stack.matrices[stack.depth] = stack.matrices[stack.depth - 1];
  ++stack.depth;
}

void VertexStage::Pop() {
  Stack &stack = Current();
  if (stack.depth == 1)
    return;
  --stack.depth;
  Changed();
}

void VertexStage::SetColor(float red, float green, float blue, float alpha) {
  color_[0] = red;
  color_[1] = green;
  color_[2] = blue;
  color_[3] = alpha;
}

void VertexStage::SetNormal(float x, float y, float z) {
  normal_[0] = x;
  normal_[1] = y;
  normal_[2] = z;
}

void VertexStage::SetCoord(float s, float t) {
  coord_[0] = s;
  coord_[1] = t;
}

void VertexStage::SetSphereMap(GLenum coord, bool on) {
  sphereMap_[coord == GL_T ? 1 : 0] = on;
}

void VertexStage::EnableGeneration(GLenum coord, bool on) {
  generate_[coord == GL_TEXTURE_GEN_T ? 1 : 0] = on;
}

bool VertexStage::Begin(GLenum mode) {
  if (inPrimitive_ || mode < GL_TRIANGLES || mode > GL_POLYGON)
    return false;
  inPrimitive_ = true;
  primitive_ = mode;
  vertices_.clear();
  return true;
}

void VertexStage::Vertex(float x, float y, float z) {
  if (!inPrimitive_)
    return;
  const Matrix &modelview = modelview_.matrices[modelview_.depth - 1];
  if (!derivedValid_) {
    modelviewProjection_ = Product(projection_.matrices[projection_.depth - 1], modelview);
    // Normals go to eye space by the inverse transpose of the upper 3 x 3:
    // its cofactors over its determinant.
    auto at = [&](int row, int col) { return modelview.m[col * 4 + row]; };
    float cofactor[9];
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) {
        const int r0 = (row + 1) % 3, r1 = (row + 2) % 3, c0 = (col + 1) % 3, c1 = (col + 2) % 3;
        cofactor[row * 3 + col] = at(r0, c0) * at(r1, c1) - at(r0, c1) * at(r1, c0);
      }
    const float determinant = at(0, 0) * cofactor[0] + at(0, 1) * cofactor[1] + at(0, 2) * cofactor[2];
    for (int i = 0; i < 9; ++i)
      normalMatrix_[i] = determinant != 0 ? cofactor[i] / determinant : 0.0f;
    derivedValid_ = true;
  }
  ClipVertex v;
  for (int row = 0; row < 4; ++row)
    v.position[row] = Row(modelviewProjection_, row, x, y, z);
  for (int i = 0; i < 4; ++i)
    v.color[i] = Clamp01(color_[i]);
  v.coord[0] = coord_[0];
  v.coord[1] = coord_[1];
  if ((generate_[0] && sphereMap_[0]) || (generate_[1] && sphereMap_[1])) {
    // The eye-space direction to the vertex, reflected about the normal,
    // mapped onto the sphere map's disc.
    float u[3], n[3];
    for (int i = 0; i < 3; ++i)
      u[i] = Row(modelview, i, x, y, z);
    const float length = 1.0f / std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    for (int i = 0; i < 3; ++i) {
      u[i] *= length;
      n[i] = normalMatrix_[i * 3] * normal_[0] + normalMatrix_[i * 3 + 1] * normal_[1] +
             normalMatrix_[i * 3 + 2] * normal_[2];
    }
    const float twiceDot = 2 * (n[0] * u[0] + n[1] * u[1] + n[2] * u[2]);
    float r[3];
    for (int i = 0; i < 3; ++i)
      r[i] = u[i] - twiceDot * n[i];
    const float zPlusOne = r[2] + 1;
    const float scale = 0.5f / std::sqrt(r[0] * r[0] + r[1] * r[1] + zPlusOne * zPlusOne);
    for (int i = 0; i < 2; ++i)
      if (generate_[i] && sphereMap_[i])
        v.coord[i] = r[i] * scale + 0.5f;
  }
  vertices_.push_back(v);
}

void VertexStage::Triangle(std::vector<ClipVertex> *out, int a, int b, int c, int provoking) {
  const int corners[3] = {a, b, c};
  Polygon(out, vertices_.data(), corners, 3, 0, provoking);
}

// One polygon: fanned from its corner `first`, or in line mode its outline.
void VertexStage::Polygon(std::vector<ClipVertex> *out, const ClipVertex *vertices, const int *corners, int count,
                          int first, int provoking) {
  auto emit = [&](int corner) {
    out->push_back(vertices[corners[(first + corner) % count]]);
    if (flat_)
      std::copy(vertices[provoking].color, vertices[provoking].color + 4, out->back().color);
  };
  for (int i = 0; i < count; ++i) {
    if (lines_) {
      emit(i);
      emit((i + 1) % count);
    } else if (i >= 2) {
      emit(0);
      emit(i - 1);
      emit(i);
    }
  }
}

void VertexStage::FlushQuads(std::vector<ClipVertex> *out) {
  const int corners[4] = {0, 1, 2, 3};
  for (size_t i = 0; i + 3 < quads_.size(); i += 4)
    Polygon(out, &quads_[i], corners, 4, quadsClipped_ ? 1 : 0, 3);
  quads_.clear();
  quadsClipped_ = false;
}

void VertexStage::End(std::vector<ClipVertex> *out) {
  if (!inPrimitive_)
    return;
  inPrimitive_ = false;
  const int n = int(vertices_.size());
  if (primitive_ == GL_QUADS) {
    quads_.insert(quads_.end(), vertices_.begin(), vertices_.begin() + n / 4 * 4);
    for (int i = 0; i < n / 4 * 4; ++i) {
      const float *p = vertices_[size_t(i)].position;
      for (int axis = 0; axis < 3; ++axis)
        quadsClipped_ = quadsClipped_ || p[axis] < -p[3] || p[axis] > p[3];
    }
    vertices_.clear();
    return;
  }
  FlushQuads(out);
  switch (primitive_) {
  case GL_TRIANGLES:
    for (int i = 0; i + 2 < n; i += 3)
      Triangle(out, i, i + 1, i + 2, i + 2);
    break;
  case GL_TRIANGLE_STRIP:
    // Every other triangle reversed, so that all face the same way.
    for (int i = 0; i + 2 < n; ++i)
      if (i % 2 == 0)
        Triangle(out, i, i + 1, i + 2, i + 2);
      else
        Triangle(out, i + 1, i, i + 2, i + 2);
    break;
  case GL_TRIANGLE_FAN:
    for (int i = 1; i + 1 < n; ++i)
      Triangle(out, 0, i, i + 1, i + 1);
    break;
  case GL_QUAD_STRIP:
    for (int i = 0; i + 3 < n; i += 2) {
      const int corners[4] = {i, i + 1, i + 3, i + 2};
      Polygon(out, vertices_.data(), corners, 4, 0, i + 3);
    }
    break;
  case GL_POLYGON:
    if (n >= 3) {
      std::vector<int> corners(static_cast<size_t>(n));
      for (int i = 0; i < n; ++i)
        corners[size_t(i)] = i;
      Polygon(out, vertices_.data(), corners.data(), n, 0, 0);
    }
    break;
  }
  vertices_.clear();
}

} // namespace webgl
