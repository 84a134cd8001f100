#pragma once

#include <xcb/xcb.h>

#include <QMargins>
#include <optional>

namespace brindlecap {

// The widths of the decorations the window manager puts around `window` (its
// _NET_FRAME_EXTENTS). For a window not yet mapped the window manager is asked to estimate them
// (_NET_REQUEST_FRAME_EXTENTS) and its answer is awaited for a moment. Nothing without an X11
// connection or a window manager that answers.
std::optional<QMargins> frameExtents(xcb_window_t window);

}  // namespace brindlecap
