#include "platform/qt/long_time_text.h"

namespace zelmora::qt {

QString LongTimeFormatWithoutZone(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::LongFormat);
  QString result;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;  // time-zone letters
    result += c;
  }
  return result.simplified();
}

QString LongTimeText(const QLocale& locale, QTime time) {
  return locale.toString(time, LongTimeFormatWithoutZone(locale));
}

}  // namespace zelmora::qt
