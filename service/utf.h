#pragma once

#include <string>
#include <string_view>

namespace orvanel {

// The core speaks UTF-8; Win32 and COM speak UTF-16. Malformed input on
// either side becomes U+FFFD rather than being dropped or passed through.
std::u16string utf16_from_utf8(std::string_view text);
std::string utf8_from_utf16(std::u16string_view text);

}  // namespace orvanel
