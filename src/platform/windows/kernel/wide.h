// SPDX-License-Identifier: MIT
// UTF-8, the layer's encoding of names on every system, to and from the
// wide characters of Windows' own calls. Names are always passed on as wide
// text, so that any name the system allows works, whatever the ANSI code page.
#pragma once
#ifndef _WIN32
#error "This header is the Windows back end's"
#endif
#include <string>

namespace platform {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::wstring WideFromUtf8(const std::string &text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromWide(const std::wstring &text);

// The system's words for a Win32 error code (GetLastError), in UTF-8,
// without the final period and line end.
std::string ErrorText(unsigned long error);

} // namespace platform
