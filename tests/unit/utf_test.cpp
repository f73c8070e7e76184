#include <gtest/gtest.h>

#include <string>

#include "service/utf.h"

namespace orvanel {
namespace {

TEST(Utf, RoundTripsEveryPlaneAndEmbeddedNul) {
  const std::string text =
      std::string("Automatic Update is \xC2\xA9 caf\xC3\xA9 \xF0\x9F\x98\x80 ") +
      std::string("a\0b", 3);
  const std::u16string wide = utf16_from_utf8(text);
  EXPECT_EQ(wide.substr(20, 1), u"\u00A9");
  EXPECT_NE(wide.find(u"\xD83D\xDE00"), std::u16string::npos) << "non-BMP must become a pair";
  EXPECT_EQ(wide.back(), u'b');
  EXPECT_EQ(utf8_from_utf16(wide), text);
}

TEST(Utf, MalformedInputBecomesReplacementCharacters) {
  const std::u16string r = u"\uFFFD";
  EXPECT_EQ(utf16_from_utf8("\x80"), r);      // stray continuation
  EXPECT_EQ(utf16_from_utf8("\xE2\x82"), r);  // truncated at the end
  EXPECT_EQ(utf16_from_utf8("\xE2\x82"
                            "A"),
            r + u"A");                                // truncated before ASCII
  EXPECT_EQ(utf16_from_utf8("\xC0\x80"), r);          // overlong NUL
  EXPECT_EQ(utf16_from_utf8("\xED\xA0\x80"), r);      // encoded surrogate
  EXPECT_EQ(utf16_from_utf8("\xF4\x90\x80\x80"), r);  // beyond U+10FFFF
  EXPECT_EQ(utf16_from_utf8("\xFF"), r);

  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(utf8_from_utf16(u"\xD800"), replacement);  // lone high surrogate
  EXPECT_EQ(utf8_from_utf16(u"\xDC00"
                            "x"),
            replacement + "x");  // lone low surrogate
  EXPECT_EQ(utf8_from_utf16(u"\xD800\xD800\xDC00"), replacement + "\xF0\x90\x80\x80");
}

}  // namespace
}  // namespace orvanel
