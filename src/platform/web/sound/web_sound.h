// SPDX-License-Identifier: MIT
// The browser's sound calls that FSOUND does not cover. Browsers start
// sound only after the viewer has acted on the page; the dialog's Start
// button is that act.
#pragma once
#ifndef __EMSCRIPTEN__
#error "This header is the browser back end's"
#endif

// Call from the handler of the viewer's click or key press (Start): resumes
// the sound output, or lets the next FSOUND_Init's start at once.
void WebSoundGesture(void);
