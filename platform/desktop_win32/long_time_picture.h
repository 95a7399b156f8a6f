#pragma once
// What lbl2 shows of a time, as a picture for GetTimeFormatEx: the hour as
// the locale writes it (h, hh, H or HH), ":mm:ss", and on a 12-hour clock the
// locale's AM/PM marker (tt) on the side where the locale puts it, spaced as
// the locale spaces it. Only those traits are taken from the locale's long
// time format (LOCALE_STIMEFORMAT); its separators and literal text are not.
// Needs no Windows headers, so it is tested on every system.
#include <string>
#include <string_view>

namespace zelmora::platform::win32 {

std::wstring LongTimePicture(std::wstring_view localeFormat);

}  // namespace zelmora::platform::win32
