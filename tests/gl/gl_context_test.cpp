// SPDX-License-Identifier: MIT
// Proves the GL context on a real window (Xvfb, Mesa): the pixel-format
// request follows the colour depth, the context is current after Create, the
// default state is white-with-alpha-0 clearing and GL_LEQUAL depth testing,
// the viewport comes back to the remembered rectangle, and textures are
// fresh names left bound.
#include "gl/gl_context.h"

#include "platform/tap_linux.h"

#include <gtest/gtest.h>

namespace {

HWND MakeWindow(int width, int height) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "GLTestWindow";
    RegisterClassExA(&windowClass);
    registered = true;
  }
  return CreateWindowExA(0, "GLTestWindow", "gl test", WS_VISIBLE | WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                         nullptr, nullptr);
}

class GLContextTest : public ::testing::Test {
protected:
  void SetUp() override {
    window = MakeWindow(320, 200);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(context.Create(window, 32, 24, 0));
  }
  void TearDown() override {
    context.Release();
    DestroyWindow(window);
  }
  HWND window = nullptr;
  GLContext context;
};

} // namespace

TEST_F(GLContextTest, RequestsAlphaAndStencilAtTwentyFourBitsOrMore) {
  const PIXELFORMATDESCRIPTOR &format = context.pixelFormat;
  EXPECT_EQ(format.nSize, 40);
  EXPECT_EQ(format.nVersion, 1);
  EXPECT_EQ(format.dwFlags, 0x25u);
  EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
  EXPECT_EQ(format.cColorBits, 32);
  EXPECT_EQ(format.cAlphaBits, 8);
  EXPECT_EQ(format.cStencilBits, 8);
  EXPECT_EQ(format.cDepthBits, 24);
  EXPECT_EQ(format.cAccumBits, 0);
  GLint alpha = 0, stencil = 0, depth = 0;
  glGetIntegerv(GL_ALPHA_BITS, &alpha);
  glGetIntegerv(GL_STENCIL_BITS, &stencil);
  glGetIntegerv(GL_DEPTH_BITS, &depth);
  EXPECT_GE(alpha, 8);
  EXPECT_GE(stencil, 8);
  EXPECT_GE(depth, 24);
}

TEST(GLContextFormat, RequestsOneAlphaBitAndNoStencilBelowTwentyFourBits) {
  HWND window = MakeWindow(64, 64);
  ASSERT_NE(window, nullptr);
  GLContext context;
  ASSERT_TRUE(context.Create(window, 16, 16, 0));
  EXPECT_EQ(context.pixelFormat.cColorBits, 16);
  EXPECT_EQ(context.pixelFormat.cAlphaBits, 1);
  EXPECT_EQ(context.pixelFormat.cStencilBits, 0);
  EXPECT_EQ(context.pixelFormat.cDepthBits, 16);
  // 24 is the threshold, compared as a signed number.
  GLContext deep;
  HWND other = MakeWindow(64, 64);
  ASSERT_TRUE(deep.Create(other, 24, 24, 0));
  EXPECT_EQ(deep.pixelFormat.cAlphaBits, 8);
  EXPECT_EQ(deep.pixelFormat.cStencilBits, 8);
  deep.Release();
  context.Release();
  DestroyWindow(other);
  DestroyWindow(window);
}

TEST_F(GLContextTest, IsCurrentWithItsStringsAfterCreate) {
  EXPECT_EQ(wglGetCurrentContext(), context.renderContext);
  EXPECT_EQ(context.deviceContext, GetDC(window));
  EXPECT_FALSE(context.vendor.empty());
  EXPECT_FALSE(context.renderer.empty());
  EXPECT_FALSE(context.version.empty());
  EXPECT_TRUE(context.version[0] >= '1' && context.version[0] <= '9') << context.version;
  // A legacy context: GL 1.1 immediate mode works.
  glBegin(GL_TRIANGLES);
  glVertex2f(0, 0);
  glVertex2f(1, 0);
  glVertex2f(0, 1);
  glEnd();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLContextTest, DefaultStateClearsWhiteWithAlphaZeroAndTestsDepthWithLequal) {
  EXPECT_TRUE(context.SetDefaultState());
  GLfloat clear[4] = {0, 0, 0, 1};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[0], 1.0f);
  EXPECT_EQ(clear[1], 1.0f);
  EXPECT_EQ(clear[2], 1.0f);
  EXPECT_EQ(clear[3], 0.0f);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint depthFunc = 0, shade = 0, hint = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
  EXPECT_EQ(depthFunc, GL_LEQUAL);
  EXPECT_EQ(shade, GL_SMOOTH);
  EXPECT_EQ(hint, GL_NICEST);
  GLfloat clearDepth = 0;
  glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
  EXPECT_EQ(clearDepth, 1.0f);
  // Nothing else is switched on.
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GLContextTest, ViewportComesBackToTheRememberedRectangle) {
  context.SetViewport(0, 0, 320, 200, true);
  context.SetViewport(0, 0, 160, 100, false);
  GLint box[4];
  glGetIntegerv(GL_VIEWPORT, box);
  EXPECT_EQ(box[2], 160);
  EXPECT_EQ(context.viewport.width, 320); // not remembered
  context.RestoreViewport();
  glGetIntegerv(GL_VIEWPORT, box);
  EXPECT_EQ(box[0], 0);
  EXPECT_EQ(box[1], 0);
  EXPECT_EQ(box[2], 320);
  EXPECT_EQ(box[3], 200);
}

TEST_F(GLContextTest, TexturesAreFreshNamesLeftBound) {
  const unsigned char pixels[4 * 4 * 4] = {255, 0, 0, 255};
  const GLuint first =
      context.CreateTexture(4, 4, GL_RGBA, GL_NEAREST, GL_LINEAR, GL_REPEAT, GL_CLAMP, GL_DECAL, pixels);
  const GLuint second =
      context.CreateTexture(4, 4, GL_RGBA, GL_LINEAR, GL_LINEAR, GL_CLAMP, GL_CLAMP, GL_MODULATE, pixels);
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(GLuint(bound), second);
  GLint width = 0, wrapS = 0, minFilter = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  EXPECT_EQ(width, 4);
  EXPECT_EQ(wrapS, GL_CLAMP);
  EXPECT_EQ(minFilter, GL_LINEAR);
  GLfloat envMode = 0;
  glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
  EXPECT_EQ(envMode, GLfloat(GL_MODULATE)); // the last call's mode holds for the unit

  EXPECT_EQ(context.DeleteTexture(first), first);
  EXPECT_FALSE(glIsTexture(first));
  EXPECT_EQ(context.DeleteTexture(987654), 987654u); // whether or not the name was valid
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST(GLContextLifetime, ReleaseGivesBackWhatCreateTookAndNothingWithoutCreate) {
  const uint64_t before = PlatformGetCallCounts().makeCurrent;
  { GLContext unused; } // never created: the destructor's Release calls nothing
  EXPECT_EQ(PlatformGetCallCounts().makeCurrent, before);

  HWND window = MakeWindow(32, 32);
  GLContext context;
  ASSERT_TRUE(context.Create(window, 32, 24, 0));
  HGLRC made = context.renderContext;
  EXPECT_TRUE(context.Release());
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(wglDeleteContext(made)); // already deleted
  DestroyWindow(window);
}
