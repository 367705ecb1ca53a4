// UTF-8 text, as the program holds it, to and from the UTF-16 that the Windows API takes. Shared
// by the Win32 back end only; a byte sequence that is not UTF-8 comes out as U+FFFD.
#pragma once
#include <windows.h>

#include <string>

namespace vt {

inline std::wstring Utf8ToWide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int length = static_cast<int>(utf8.size());
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), units);
  return wide;
}

inline std::string WideToUtf8(const wchar_t* wide, size_t units) {
  if (units == 0) return std::string();
  int length = static_cast<int>(units);
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

inline std::string WideToUtf8(const std::wstring& wide) { return WideToUtf8(wide.data(), wide.size()); }

}  // namespace vt
