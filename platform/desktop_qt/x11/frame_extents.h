#pragma once
#include <QMargins>
#include <optional>

class QWidget;

namespace zelmora::platform::qt {

// The frame the window manager puts around a window (_NET_FRAME_EXTENTS), once
// it has said so; nothing off X11 or before it has.
std::optional<QMargins> FrameExtents(const QWidget& window);

// Asks the window manager to announce the frame it will give a window that is
// not mapped yet (_NET_REQUEST_FRAME_EXTENTS); the answer arrives later as
// FrameExtents. No-op off X11.
void RequestFrameExtents(const QWidget& window);

}  // namespace zelmora::platform::qt
