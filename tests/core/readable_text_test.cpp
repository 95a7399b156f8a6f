// Outside text made one readable line for the tooltip and the log.
#include "core/readable_text.h"

#include <gtest/gtest.h>

namespace zelmora {
namespace {

TEST(ReadableLine, WhatWouldActOrHideBecomesASpaceAndTheRestStays) {
  EXPECT_EQ(ReadableLine("a\r\nb\rc\nd\te\x1B[2J\x7F"), "a b c d e [2J ");
  // NEL and the 8-bit CSI (C1), the right-to-left override and mark, an
  // isolate, the Arabic letter mark, zero-width space and no-break space, word joiner.
  EXPECT_EQ(ReadableLine("1\u00852\u009B3\u202E4\u200F5\u20676\u061C7\u200B8\uFEFF9\u20600"),
            "1 2 3 4 5 6 7 8 9 0");
  EXPECT_EQ(ReadableLine("无法连接任务服务器 ü 😀"), "无法连接任务服务器 ü 😀");
}

TEST(ReadableLine, BytesThatAreNoUtf8CharacterBecomeQuestionMarks) {
  EXPECT_EQ(ReadableLine("\x9B!"), "?!");               // a lone 8-bit CSI
  EXPECT_EQ(ReadableLine("\xC4\xE3\xBA\xC3"), "????");  // GBK
  EXPECT_EQ(ReadableLine("\xE0\x82\x9B"), "???");       // U+009B, overlong
  EXPECT_EQ(ReadableLine("\xC0\x8A"), "??");            // LF, overlong
  EXPECT_EQ(ReadableLine("\xED\xA0\x80"), "???");       // a surrogate
  EXPECT_EQ(ReadableLine("ok\xE4\xBD"), "ok??");        // cut short
  EXPECT_EQ(ReadableLine(std::string("a\0b", 3)), "a b");
}

}  // namespace
}  // namespace zelmora
