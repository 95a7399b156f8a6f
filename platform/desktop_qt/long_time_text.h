#pragma once
#include <QLocale>
#include <QString>
#include <QTime>

namespace zelmora::platform::qt {

// The long time form the program shows: the hour (with a leading zero only when
// the locale writes one), ":mm:ss", and for 12-hour locales the AM/PM marker on
// the side where the locale puts it. Only those traits are taken from the
// locale's own long time format; its time zone, day-period words and other
// separators are left out. Returned as a QLocale format string.
QString LongTimeFormat(const QLocale& locale);

QString LongTimeText(const QLocale& locale, QTime time);

}  // namespace zelmora::platform::qt
