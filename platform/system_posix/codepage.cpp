#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/error.h"

namespace zelmora::platform {
namespace {

// Converts with iconv, replacing each undecodable input byte with U+FFFD.
// Throws Error when the system has no converter for the pair.
template <typename Out>
Out Convert(std::string_view input, const char* from, const char* to, const Out& replacement) {
  Out out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw Error(std::string("This system cannot convert ") + from + " text to " + to + " (" +
                std::strerror(errno) + ")");
  }
  using Unit = typename Out::value_type;
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  Unit buffer[256];
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(reinterpret_cast<Unit*>(outPtr) - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (truncated at the end): skip one byte, mark it.
      out += replacement;
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Convert<std::string>(gbk, "GBK", "UTF-8", std::string("\xEF\xBF\xBD"));
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  return Convert<std::u16string>(utf8, "UTF-8", "UTF-16LE", std::u16string(1, u'\uFFFD'));
}

}  // namespace zelmora::platform
