#include "core/integer_text.h"

#include <gtest/gtest.h>

namespace zelmora {
namespace {

TEST(IntegerText, AcceptsDecimalWithLeadingSpacesAndSign) {
  EXPECT_EQ(ParseInteger("30"), 30);
  EXPECT_EQ(ParseInteger(" 30"), 30);
  EXPECT_EQ(ParseInteger("   -5"), -5);
  EXPECT_EQ(ParseInteger("+7"), 7);
  EXPECT_EQ(ParseInteger("007"), 7);
}

TEST(IntegerText, RejectsAnythingAfterTheDigitsOrNoDigitsAtAll) {
  for (const char* text :
       {"30 ", "30\r\n", "30\n", "1.5", "abc", "", "   ", "+", "-", "- 5", "\t30", "5a", "1e3"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(IntegerText, DecimalRangeIsThe32BitSignedRange) {
  EXPECT_EQ(ParseInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseInteger("2147483647"), INT32_MAX);
  EXPECT_EQ(ParseInteger("2147483648"), std::nullopt);
  EXPECT_EQ(ParseInteger("-2147483649"), std::nullopt);
  EXPECT_EQ(ParseInteger("99999999999999999999999"), std::nullopt);
}

TEST(IntegerText, HexadecimalAfterEachPrefixIsA32BitPattern) {
  EXPECT_EQ(ParseInteger("$10"), 16);
  EXPECT_EQ(ParseInteger("x1f"), 31);
  EXPECT_EQ(ParseInteger("X1F"), 31);
  EXPECT_EQ(ParseInteger("0x10"), 16);
  EXPECT_EQ(ParseInteger("0XaB"), 171);
  EXPECT_EQ(ParseInteger("-$10"), -16);
  EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("$80000000"), INT32_MIN);
  EXPECT_EQ(ParseInteger("$7FFFFFFF"), INT32_MAX);
}

TEST(IntegerText, HexadecimalNeedsOneToEightDigits) {
  for (const char* text : {"0x", "$", "x", "$123456789", "$1G", "0x 1", "$-1"}) {
    EXPECT_EQ(ParseInteger(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(IntegerText, SecondsTimesThousandWrapsLikeThe32BitProduct) {
  EXPECT_EQ(WrappingTimes1000(10), 10000);
  EXPECT_EQ(WrappingTimes1000(-5), -5000);
  // 2147484 * 1000 = 2147484000, one past the range by 352: wraps negative.
  EXPECT_LT(WrappingTimes1000(2147484), 0);
  EXPECT_EQ(WrappingTimes1000(4294968), 704);  // wraps all the way round to a small positive value
}

}  // namespace
}  // namespace zelmora
