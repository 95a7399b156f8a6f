#include "platform/desktop_win32/long_time_picture.h"

#include <algorithm>
#include <vector>

namespace zelmora::platform::win32 {
namespace {

// A run of one picture letter in the locale's format: "hh" at 0, "tt" at 9...
struct Field {
  wchar_t letter;
  size_t begin;
  size_t end;
};

bool IsTimeLetter(wchar_t c) { return c == L'h' || c == L'H' || c == L'm' || c == L's' || c == L't'; }

// Plain, no-break and narrow no-break spaces all count as a gap.
bool HasSpace(std::wstring_view text) {
  return text.find_first_of(L" \u00A0\u202F") != std::wstring_view::npos;
}

// The format's picture letters in order; text between single quotes is literal.
std::vector<Field> Fields(std::wstring_view format) {
  std::vector<Field> fields;
  bool quoted = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c == L'\'') {
      quoted = !quoted;
    } else if (!quoted && IsTimeLetter(c)) {
      size_t end = i + 1;
      while (end < format.size() && format[end] == c) ++end;
      fields.push_back({c, i, end});
      i = end - 1;
    }
  }
  return fields;
}

}  // namespace

std::wstring LongTimePicture(std::wstring_view localeFormat) {
  const std::vector<Field> fields = Fields(localeFormat);
  const auto hour = std::find_if(fields.begin(), fields.end(), [](const Field& field) {
    return field.letter == L'h' || field.letter == L'H';
  });
  if (hour == fields.end()) return L"HH:mm:ss";
  const std::wstring hourPicture(std::min<size_t>(hour->end - hour->begin, 2), hour->letter);
  const std::wstring time = hourPicture + L":mm:ss";
  if (hour->letter == L'H') return time;

  const auto marker =
      std::find_if(fields.begin(), fields.end(), [](const Field& field) { return field.letter == L't'; });
  if (marker == fields.end()) return time + L" tt";  // a 12-hour clock always says which half
  if (marker < hour) {
    const bool spaced = HasSpace(localeFormat.substr(marker->end, hour->begin - marker->end));
    return std::wstring(L"tt") + (spaced ? L" " : L"") + time;
  }
  const Field& before = *(marker - 1);
  const bool spaced = HasSpace(localeFormat.substr(before.end, marker->begin - before.end));
  return time + (spaced ? L" " : L"") + L"tt";
}

}  // namespace zelmora::platform::win32
