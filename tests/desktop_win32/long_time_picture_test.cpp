// lbl2's time picture from the locale's long time formats as Windows gives them.
#include "platform/desktop_win32/long_time_picture.h"

#include <gtest/gtest.h>

namespace zelmora::platform::win32 {
namespace {

struct Case {
  const wchar_t* localeFormat;
  const wchar_t* picture;
};

void ExpectPictures(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(LongTimePicture(c.localeFormat), c.picture)
        << "locale format: " << ::testing::PrintToString(c.localeFormat);
  }
}

TEST(LongTimePicture, KeepsTheLocalesHourAndMarkerPlaces) {
  ExpectPictures({
      {L"h:mm:ss tt", L"h:mm:ss tt"},    // en-US
      {L"hh:mm:ss tt", L"hh:mm:ss tt"},  // a leading zero asked for
      {L"HH:mm:ss", L"HH:mm:ss"},        // de-DE, en-GB
      {L"H:mm:ss", L"H:mm:ss"},          // ja-JP, zh-CN
      {L"tt h:mm:ss", L"tt h:mm:ss"},    // ko-KR
      {L"tthh:mm:ss", L"tthh:mm:ss"},    // marker written against the hour
      {L"h:mm:ss\u00A0tt", L"h:mm:ss tt"},
  });
}

TEST(LongTimePicture, DropsTheLocalesSeparatorsAndLiteralText) {
  ExpectPictures({
      {L"H.mm.ss", L"H:mm:ss"},                        // fi-FI
      {L"HH' h 'mm' min 'ss' s'", L"HH:mm:ss"},        // fr-CA
      {L"'Uhr 'H:mm", L"H:mm:ss"},                     // a quoted 'h' is no hour; no seconds
      {L"'the time is 'h:mm:ss' 'tt", L"h:mm:ss tt"},  // a quoted space still spaces the marker
      {L"tt' 'hh'\u6642'mm'\u5206'ss'\u79D2'", L"tt hh:mm:ss"},
  });
}

TEST(LongTimePicture, ATwelveHourClockAlwaysHasItsMarkerAndATwentyFourHourOneNever) {
  ExpectPictures({
      {L"h:mm:ss", L"h:mm:ss tt"},
      {L"h:mm:ss t", L"h:mm:ss tt"},  // the one-letter marker becomes the locale's full one
      {L"HH:mm:ss tt", L"HH:mm:ss"},
      {L"hhh:mm:ss tt", L"hh:mm:ss tt"},
      {L"", L"HH:mm:ss"},  // no format to be had
  });
}

}  // namespace
}  // namespace zelmora::platform::win32
