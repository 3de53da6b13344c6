// SPDX-License-Identifier: MIT
// What the browser's WGL calls tell the GL 1.1 subset (GL/gl.h here) about
// the WebGL context: one context at a time, the one WGL made current.
#pragma once
#ifndef __EMSCRIPTEN__
#error "This header is the browser back end's"
#endif

// Call right after making a new WebGL context current (emscripten's html5
// WebGL API): builds the shader program and buffer there and gives GL its
// initial state, with the viewport and scissor box at `width` x `height`.
// Returns false, with the reason on the console, where the context cannot
// build the program; GL calls then draw nothing.
bool WebGlAttach(int width, int height);
// Call before the attached context is destroyed: frees what Attach made and
// the textures, and forgets all GL state.
void WebGlDetach();
