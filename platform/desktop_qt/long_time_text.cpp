#include "platform/desktop_qt/long_time_text.h"

namespace zelmora::platform::qt {
namespace {

// What the locale's own long time format says about the hour and the marker.
struct TimeTraits {
  QString hour;    // "h", "hh", "H" or "HH"
  QString marker;  // "AP" or "ap"; empty for a 24-hour clock
  bool markerFirst = false;
  bool markerSpaced = true;
};

TimeTraits ReadTraits(const QString& format) {
  TimeTraits traits;
  qsizetype hourAt = -1;
  qsizetype markerAt = -1;
  qsizetype markerEnd = -1;
  bool quoted = false;
  for (qsizetype i = 0; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == u'\'') quoted = !quoted;
    if (quoted) continue;
    if ((c == u'h' || c == u'H') && hourAt < 0) {
      hourAt = i;
      while (i + 1 < format.size() && format[i + 1] == c) ++i;
      traits.hour = format.mid(hourAt, i - hourAt + 1).left(2);
    } else if ((c == u'A' || c == u'a' || c == u'B') && markerAt < 0) {
      // "A"/"AP" are Qt's markers; CLDR's day period "B" leaks into some formats.
      markerAt = i;
      if (i + 1 < format.size() && (format[i + 1] == u'P' || format[i + 1] == u'p')) ++i;
      markerEnd = i + 1;
      traits.marker = c.isLower() ? QStringLiteral("ap") : QStringLiteral("AP");
    }
  }
  if (traits.hour.isEmpty()) traits.hour = QStringLiteral("HH");
  if (traits.hour.front() == u'H') {
    traits.marker.clear();
    return traits;
  }
  if (traits.marker.isEmpty()) traits.marker = QStringLiteral("AP");
  traits.markerFirst = markerAt >= 0 && markerAt < hourAt;
  if (traits.markerFirst) traits.markerSpaced = format.mid(markerEnd, hourAt - markerEnd).contains(u' ');
  return traits;
}

}  // namespace

QString LongTimeFormat(const QLocale& locale) {
  const TimeTraits traits = ReadTraits(locale.timeFormat(QLocale::LongFormat));
  const QString time = traits.hour + QStringLiteral(":mm:ss");
  if (traits.marker.isEmpty()) return time;
  const QString gap = traits.markerSpaced ? QStringLiteral(" ") : QString();
  return traits.markerFirst ? traits.marker + gap + time : time + gap + traits.marker;
}

QString LongTimeText(const QLocale& locale, QTime time) {
  return locale.toString(time, LongTimeFormat(locale));
}

}  // namespace zelmora::platform::qt
