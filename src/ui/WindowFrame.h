#pragma once

#include <QMargins>
#include <QPointer>
#include <QRect>
#include <optional>

#include "platform/Geometry.h"

class QWidget;

namespace brindlecap {

// A decorated top-level window as placement speaks of it: its frame, the window manager's title
// bar and borders included, is what the user sees and what margins and alignments are about,
// while Qt places the client area inside. `extents` are the decorations' widths.
struct WindowFrame {
  QMargins extents;

  // The frame, in global points (y up), around a client area at `client` (Qt's space).
  Rect around(const QRect& client) const;
  // The client area (Qt's space) of the window whose frame is `frame` (global points, y up).
  QRect clientOf(const Rect& frame) const;
  // The frame of a window placed as if it were `box`, a box of its client area's size: centred on
  // the box, top edges aligned. Where the decorations' extra size pushes it past `limits`, it moves
  // back inside, by no more than that extra size.
  Rect placedAs(const Rect& box, const Rect& limits) const;
};

// The decorations around one top-level widget, as far as they can be known: measured by Qt once
// the window has been on screen; before that, estimated by the window manager on request (asked
// once); none without a window manager.
class WindowDecorations {
 public:
  explicit WindowDecorations(QWidget* window) : window_(window) {}

  WindowFrame frame() const;

 private:
  QPointer<QWidget> window_;
  mutable std::optional<QMargins> estimate_;
};

// Puts `window`'s client area at `geometry` (Qt's space), also while it is hidden.
void setClientGeometry(QWidget& window, const QRect& geometry);

}  // namespace brindlecap
