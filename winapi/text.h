#pragma once

// UTF-8, which the program speaks, to and from UTF-16, which Win32 and COM
// speak, by Windows' own conversion. Without MB_ERR_INVALID_CHARS and
// WC_ERR_INVALID_CHARS it never fails on bad input: an invalid sequence or a
// lone surrogate becomes U+FFFD.

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace orvanel::winapi {

inline std::wstring wide_from_utf8(std::string_view text) {
  if (text.empty()) return {};
  const auto size = static_cast<int>(text.size());
  std::wstring wide(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

inline std::string utf8_from_wide(std::wstring_view text) {
  if (text.empty()) return {};
  const auto size = static_cast<int>(text.size());
  std::string narrow(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), size,
                                                                  nullptr, 0, nullptr, nullptr)),
                     '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), static_cast<int>(narrow.size()),
                      nullptr, nullptr);
  return narrow;
}

}  // namespace orvanel::winapi
