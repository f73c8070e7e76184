#pragma once

// The window's background colour, which the picture's edge is drawn on so
// that it shows no edge against the window.

#include <cstdint>

namespace orvanel::resources {

struct Rgb {
  std::uint8_t red, green, blue;
};
inline constexpr Rgb kBackground{212, 208, 200};

}  // namespace orvanel::resources
