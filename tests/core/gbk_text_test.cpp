// The task server's text (GBK, code page 936) reads the same on Linux and on
// Windows, however broken the bytes.
#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace zelmora::platform {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

TEST(GbkText, CharactersAndTheEuroSign) {
  EXPECT_EQ(GbkToUtf8("\xB9\xAB\xB8\xE6 ok"), "公告 ok");
  EXPECT_EQ(GbkToUtf8("5\x80"), "5€");
  // After a lead byte, 0x80 is the second half of a character.
  EXPECT_EQ(GbkToUtf8("\x81\x80"), "亐");
}

TEST(GbkText, EachUndecodableByteBecomesOneReplacementCharacter) {
  const std::string r = kReplacement;
  EXPECT_EQ(GbkToUtf8("a\xFF"
                      "b"),
            "a" + r + "b");
  // A lead byte without a valid second byte: the next byte stands on its own.
  EXPECT_EQ(GbkToUtf8("\x81 x"), r + " x");
  EXPECT_EQ(GbkToUtf8("\x81\x7F"), r + "\x7F");
  EXPECT_EQ(GbkToUtf8("\xB9\xAB\xB8"), "公" + r);
}

}  // namespace
}  // namespace zelmora::platform
