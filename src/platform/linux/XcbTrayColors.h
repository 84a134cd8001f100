#pragma once

#include <QObject>
#include <QRect>

#include <memory>
#include <optional>

#include "platform/Color.h"

namespace brindlecap {

// What the system tray's icons sit on, to tell a light panel from a dark one: the tray's own
// foreground colour (_NET_SYSTEM_TRAY_COLORS, when the tray sets it) and the screen's pixels
// around an icon. Follows the tray through X events only: another tray announcing itself, the
// tray going away, its colours being set again, and the windows around a watched icon being
// drawn again (a panel taking another background tells its icons nothing else).
class XcbTrayColors : public QObject {
  Q_OBJECT

 public:
  explicit XcbTrayColors(QObject* parent = nullptr);
  ~XcbTrayColors() override;

  // The colour the tray draws its own text and symbols in; nothing without one.
  std::optional<Color> foreground() const;
  // The commonest colour of the screen's pixels in a one-pixel frame just outside `area`
  // (device pixels on the root window); nothing without X11 or when none can be read.
  std::optional<Color> backgroundAround(const QRect& area) const;
  // Reports drawing in the windows that hold `window` (a docked icon's), up to the root; 0 stops.
  // Reported again only after the next call to backgroundAround().
  void watchSurroundings(unsigned long window);

 signals:
  void changed();

 private:
  class X11;
  std::unique_ptr<X11> x11_;
};

}  // namespace brindlecap
