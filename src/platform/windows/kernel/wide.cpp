// SPDX-License-Identifier: MIT
// Conversions between UTF-8 and the system's UTF-16, and its error texts.
#include "kernel/wide.h"

#include <windows.h>

namespace platform {

std::wstring WideFromUtf8(const std::string &text) {
  if (text.empty())
    return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &wide[0], length);
  return wide;
}

std::string Utf8FromWide(const std::wstring &text) {
  if (text.empty())
    return std::string();
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(size_t(length > 0 ? length : 0), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &narrow[0], length, nullptr, nullptr);
  return narrow;
}

std::string ErrorText(unsigned long error) {
  wchar_t *text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, DWORD(error), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
  std::wstring words = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  while (!words.empty() &&
         (words.back() == L'\n' || words.back() == L'\r' || words.back() == L'.' || words.back() == L' '))
    words.pop_back();
  return words.empty() ? "Windows error " + std::to_string(error) : Utf8FromWide(words);
}

} // namespace platform
