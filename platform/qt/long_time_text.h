#pragma once
#include <QLocale>
#include <QString>
#include <QTime>

namespace zelmora::qt {

// The locale's long time format without its time-zone part ("h:mm:ss AP t"
// becomes "h:mm:ss AP").
QString LongTimeFormatWithoutZone(const QLocale& locale);

// The time of day in that form: the hour with a leading zero only when the
// locale writes one, ":mm:ss", and the AM/PM marker where a 12-hour locale puts it.
QString LongTimeText(const QLocale& locale, QTime time);

}  // namespace zelmora::qt
