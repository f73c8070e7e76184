#pragma once

#include <string>
#include <string_view>

namespace orvanel {

// The core speaks UTF-8; Win32 and COM speak UTF-16. Malformed input on
// either side becomes U+FFFD rather than being dropped or passed through.
std::u16string utf16_from_utf8(std::string_view text);
std::string utf8_from_utf16(std::u16string_view text);

#ifdef _WIN32
// Windows' wchar_t is a UTF-16 code unit.
inline std::wstring wide_from_utf8(std::string_view text) {
  const std::u16string utf16 = utf16_from_utf8(text);
  return {utf16.begin(), utf16.end()};
}
inline std::string utf8_from_wide(std::wstring_view text) {
  return utf8_from_utf16({reinterpret_cast<const char16_t*>(text.data()), text.size()});
}
#endif

}  // namespace orvanel
