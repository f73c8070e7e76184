#include "service/utf.h"

#include <cstddef>
#include <cstdint>

namespace orvanel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_continuation(unsigned char byte) {
  return (byte & 0xC0U) == 0x80U;
}

// Decodes one scalar value at text[i], advancing i past what it consumed.
char32_t decode_utf8(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80U) return lead;
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0U) == 0xC0U) {
    length = 1;
    value = lead & 0x1FU;
    minimum = 0x80;
  } else if ((lead & 0xF0U) == 0xE0U) {
    length = 2;
    value = lead & 0x0FU;
    minimum = 0x800;
  } else if ((lead & 0xF8U) == 0xF0U) {
    length = 3;
    value = lead & 0x07U;
    minimum = 0x10000;
  } else {
    return kReplacement;
  }
  for (std::size_t k = 0; k < length; ++k) {
    if (i >= text.size() || !is_continuation(static_cast<unsigned char>(text[i]))) {
      return kReplacement;
    }
    value = (value << 6U) | (static_cast<unsigned char>(text[i++]) & 0x3FU);
  }
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (value < minimum || value > 0x10FFFF || surrogate) return kReplacement;
  return value;
}

void append_utf8(std::string& out, char32_t value) {
  if (value < 0x80) {
    out += static_cast<char>(value);
  } else if (value < 0x800) {
    out += static_cast<char>(0xC0U | (value >> 6U));
    out += static_cast<char>(0x80U | (value & 0x3FU));
  } else if (value < 0x10000) {
    out += static_cast<char>(0xE0U | (value >> 12U));
    out += static_cast<char>(0x80U | ((value >> 6U) & 0x3FU));
    out += static_cast<char>(0x80U | (value & 0x3FU));
  } else {
    out += static_cast<char>(0xF0U | (value >> 18U));
    out += static_cast<char>(0x80U | ((value >> 12U) & 0x3FU));
    out += static_cast<char>(0x80U | ((value >> 6U) & 0x3FU));
    out += static_cast<char>(0x80U | (value & 0x3FU));
  }
}

}  // namespace

std::u16string utf16_from_utf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t value = decode_utf8(text, i);
    if (value < 0x10000) {
      out += static_cast<char16_t>(value);
    } else {
      const char32_t offset = value - 0x10000;
      out += static_cast<char16_t>(0xD800U + (offset >> 10U));
      out += static_cast<char16_t>(0xDC00U + (offset & 0x3FFU));
    }
  }
  return out;
}

std::string utf8_from_utf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    char32_t value = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      const bool paired = i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
      if (paired) {
        value = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800U) << 10U) +
                (static_cast<char32_t>(text[++i]) - 0xDC00U);
      } else {
        value = kReplacement;
      }
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      value = kReplacement;
    }
    append_utf8(out, value);
  }
  return out;
}

}  // namespace orvanel
