#include "platform/desktop_qt/long_time_text.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace zelmora::platform::qt {
namespace {

QString At(const char* localeName, int hour, int minute, int second) {
  return LongTimeText(QLocale(QString::fromLatin1(localeName)), QTime(hour, minute, second));
}

TEST(LongTimeText, TwelveHourLocaleHasNoLeadingZeroAndItsMarkerAfter) {
  EXPECT_EQ(At("en_US", 9, 5, 7), u"9:05:07 AM");
  EXPECT_EQ(At("en_US", 15, 4, 5), u"3:04:05 PM");
  EXPECT_EQ(At("en_US", 0, 30, 0), u"12:30:00 AM");
  EXPECT_EQ(At("en_US", 12, 0, 0), u"12:00:00 PM");
}

TEST(LongTimeText, TwentyFourHourLocaleKeepsItsLeadingZero) {
  EXPECT_EQ(At("de_DE", 9, 5, 7), u"09:05:07");
  EXPECT_EQ(At("C", 23, 59, 59), u"23:59:59");
}

TEST(LongTimeText, MarkerStandsBeforeTheTimeWhereTheLocalePutsIt) {
  EXPECT_EQ(At("ko_KR", 15, 4, 5), u"오후 3:04:05");
  EXPECT_EQ(At("zh_TW", 15, 4, 5), u"下午3:04:05");
}

TEST(LongTimeText, LocalesWithOtherSeparatorsStillShowHourMinutesSeconds) {
  EXPECT_EQ(At("ja_JP", 15, 4, 5), u"15:04:05");
}

// The locales' long forms carry time zones, day-period words and their own
// separators; none of it may reach the label.
TEST(LongTimeText, EveryLocaleGivesHourColonMinutesColonSecondsAndAtMostAMarker) {
  const QRegularExpression form(QStringLiteral(R"(^((AP|ap) ?)?(h|hh|H|HH):mm:ss( ?(AP|ap))?$)"));
  const auto locales =
      QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
  ASSERT_GT(locales.size(), 100);
  for (const QLocale& locale : locales) {
    const QString format = LongTimeFormat(locale);
    EXPECT_TRUE(form.match(format).hasMatch()) << locale.name().toStdString() << ": " << format.toStdString();
    const bool twelveHour = format.contains(u'h');
    EXPECT_EQ(twelveHour, format.contains(u'A') || format.contains(u'a')) << locale.name().toStdString();
  }
}

}  // namespace
}  // namespace zelmora::platform::qt
