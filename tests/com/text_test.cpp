#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "winapi/text.h"

namespace orvanel {
namespace {

using winapi::utf8_from_wide;
using winapi::wide_from_utf8;

// Text that Windows made of bad input: one U+FFFD or more (Windows and Wine
// may replace an ill-formed sequence by one or by one per byte), and nothing
// else.
bool replaced(std::wstring_view text) {
  return !text.empty() && std::ranges::all_of(text, [](wchar_t c) { return c == L'\uFFFD'; });
}

TEST(Utf, RoundTripsEveryPlaneAndEmbeddedNul) {
  const std::string text =
      std::string("Automatic Update is \xC2\xA9 caf\xC3\xA9 \xF0\x9F\x98\x80 ") +
      std::string("a\0b", 3);
  const std::wstring wide = wide_from_utf8(text);
  EXPECT_EQ(wide.substr(20, 1), L"\u00A9");
  EXPECT_NE(wide.find(L"\xD83D\xDE00"), std::wstring::npos) << "non-BMP must become a pair";
  EXPECT_EQ(wide.back(), L'b');
  EXPECT_EQ(utf8_from_wide(wide), text);
  EXPECT_EQ(wide_from_utf8(""), L"");
  EXPECT_EQ(utf8_from_wide(L""), "");

  // Where each encoded length begins and where Unicode ends; a pair at the
  // very start of a text.
  const struct {
    const char* utf8;
    std::wstring_view utf16;
  } edges[] = {
      {"\x7F", L"\x7F"},
      {"\xC2\x80", L"\u0080"},
      {"\xDF\xBF", L"\u07FF"},
      {"\xE0\xA0\x80", L"\u0800"},
      {"\xEF\xBF\xBF", L"\uFFFF"},
      {"\xF0\x90\x80\x80", L"\xD800\xDC00"},
      {"\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF"},
      {"\xF0\x9F\x98\x80x", L"\xD83D\xDE00x"},
  };
  for (const auto& edge : edges) {
    SCOPED_TRACE(edge.utf8);
    EXPECT_EQ(wide_from_utf8(edge.utf8), edge.utf16);
    EXPECT_EQ(utf8_from_wide(edge.utf16), edge.utf8);
  }
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  for (const std::string_view bad : {"\x80", "\xE2\x82", "\xC0\x80", "\xED\xA0\x80", "\xED\xBF\xBF",
                                     "\xF4\x90\x80\x80", "\xFF"}) {
    SCOPED_TRACE(std::string(bad));
    EXPECT_TRUE(replaced(wide_from_utf8(bad)));  // stray, truncated, overlong, surrogate (U+D800,
                                                 // U+DFFF), beyond U+10FFFF, never a byte
  }
  const std::wstring truncated = wide_from_utf8(
      "\xE2\x82"
      "A");
  ASSERT_FALSE(truncated.empty());
  EXPECT_EQ(truncated.back(), L'A') << "the character after a truncated one is kept";
  EXPECT_TRUE(replaced(std::wstring_view(truncated).substr(0, truncated.size() - 1)));

  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(utf8_from_wide(L"\xD800"), replacement);  // lone high surrogate
  EXPECT_EQ(utf8_from_wide(L"\xDFFF"
                           L"x"),
            replacement + "x");  // lone low surrogate
  EXPECT_EQ(utf8_from_wide(L"\xD800\xD800\xDC00"), replacement + "\xF0\x90\x80\x80");
}

}  // namespace
}  // namespace orvanel
