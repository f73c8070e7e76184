#pragma once

// UTF-8, which the program speaks, to and from UTF-16, which Win32 and COM
// speak, by Windows' own conversion. Without MB_ERR_INVALID_CHARS and
// WC_ERR_INVALID_CHARS it never fails on bad input: an invalid sequence or a
// lone surrogate becomes U+FFFD. A text longer than the conversion's int can
// count is refused with std::length_error, not cut short.

#include <windows.h>

#include <string>
#include <string_view>

namespace orvanel::winapi {

std::wstring wide_from_utf8(std::string_view text);
std::string utf8_from_wide(std::wstring_view text);

// A window's text, as GetWindowText gives it.
std::wstring window_text(HWND window);

}  // namespace orvanel::winapi
