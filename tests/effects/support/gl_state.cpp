// SPDX-License-Identifier: MIT
// GL state fingerprints for tests of "makes no GL call".
#include "gl_state.h"

namespace {

const GLenum kEnables[] = {GL_BLEND,         GL_TEXTURE_2D, GL_SCISSOR_TEST, GL_TEXTURE_GEN_S,
                           GL_TEXTURE_GEN_T, GL_DEPTH_TEST, GL_CULL_FACE,    GL_LIGHTING};

void Push(std::vector<GLfloat> &out, GLenum name, int count) {
  GLfloat values[16];
  glGetFloatv(name, values);
  out.insert(out.end(), values, values + count);
}

void Push(std::vector<GLint> &out, GLenum name, int count) {
  GLint values[4];
  glGetIntegerv(name, values);
  out.insert(out.end(), values, values + count);
}

} // namespace

void SetSentinelState(int width, int height) {
  const GLfloat odd[16] = {2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 5, 0, 7, 11, 13, 1};
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(odd);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(odd);
  glTranslatef(1, 2, 3);
  glMatrixMode(GL_TEXTURE); // a matrix mode no effect selects
  glClearColor(0.25f, 0.5f, 0.75f, 0.125f);
  glColor4f(0.5f, 0.25f, 0.125f, 0.75f);
  for (GLenum e : kEnables)
    glDisable(e);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBlendFunc(GL_ONE, GL_ZERO);
  glShadeModel(GL_FLAT);
  glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
  glViewport(1, 2, width - 3, height - 4);
  glScissor(3, 4, 5, 6);
  glDrawBuffer(GL_BACK);
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.25f, 0.5f, 0.75f, 0.125f);
  glFinish();
}

GLState CaptureState(int width, int height) {
  GLState state;
  Push(state.floats, GL_PROJECTION_MATRIX, 16);
  Push(state.floats, GL_MODELVIEW_MATRIX, 16);
  Push(state.floats, GL_COLOR_CLEAR_VALUE, 4);
  Push(state.floats, GL_CURRENT_COLOR, 4);
  Push(state.floats, GL_CURRENT_TEXTURE_COORDS, 4);
  Push(state.integers, GL_MATRIX_MODE, 1);
  Push(state.integers, GL_TEXTURE_BINDING_2D, 1);
  Push(state.integers, GL_BLEND_SRC, 1);
  Push(state.integers, GL_BLEND_DST, 1);
  Push(state.integers, GL_SHADE_MODEL, 1);
  Push(state.integers, GL_POLYGON_MODE, 2);
  Push(state.integers, GL_VIEWPORT, 4);
  Push(state.integers, GL_SCISSOR_BOX, 4);
  for (GLenum e : kEnables)
    state.integers.push_back(glIsEnabled(e));
  state.integers.push_back(GLint(glGetError()));
  state.back.resize(size_t(width) * height * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, state.back.data());
  return state;
}
