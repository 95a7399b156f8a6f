#include "platform/desktop_win32/dimmed_icon.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zelmora::platform::win32 {
namespace {

// Grey by the usual luma weights; half as opaque where the icon has an alpha
// channel, else lighter, so that it looks switched off either way.
void Dim(std::vector<std::uint32_t>& pixels) {
  const bool hasAlpha =
      std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
  for (std::uint32_t& pixel : pixels) {
    std::uint32_t alpha = pixel >> 24;
    const std::uint32_t red = (pixel >> 16) & 0xFF;
    const std::uint32_t green = (pixel >> 8) & 0xFF;
    const std::uint32_t blue = pixel & 0xFF;
    std::uint32_t grey = (red * 30 + green * 59 + blue * 11) / 100;
    if (hasAlpha) {
      alpha /= 2;
    } else {
      grey = 128 + grey / 2;
    }
    pixel = (alpha << 24) | (grey << 16) | (grey << 8) | grey;
  }
}

}  // namespace

HICON DimmedCopy(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return nullptr;
  HICON dimmed = nullptr;
  BITMAP colour{};
  if (info.hbmColor != nullptr && GetObjectW(info.hbmColor, sizeof colour, &colour) != 0) {
    const int width = colour.bmWidth;
    const int height = colour.bmHeight;
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top-down rows, as CreateBitmap takes them
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, info.hbmColor, 0, static_cast<UINT>(height), pixels.data(), &format,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows == height) {
      Dim(pixels);
      HBITMAP greyed = CreateBitmap(width, height, 1, 32, pixels.data());
      if (greyed != nullptr) {
        ICONINFO copy{TRUE, 0, 0, info.hbmMask, greyed};
        dimmed = CreateIconIndirect(&copy);
        DeleteObject(greyed);
      }
    }
  }
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  return dimmed;
}

}  // namespace zelmora::platform::win32
