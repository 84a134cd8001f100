#include "platform/linux/QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "platform/linux/ScreenCoordinates.h"

namespace brindlecap {

std::vector<ScreenInfo> QtScreens::screens() const {
  std::vector<ScreenInfo> result;
  const QScreen* primary = QGuiApplication::primaryScreen();
  auto add = [&result](const QScreen* screen) {
    result.push_back(ScreenInfo{
        toGlobalYUp(screen->geometry()), toGlobalYUp(screen->availableGeometry()),
        screen->refreshRate() > 0 ? screen->refreshRate() : 60.0, std::nullopt, std::nullopt});
  };
  if (primary) add(primary);
  for (const QScreen* screen : QGuiApplication::screens())
    if (screen != primary) add(screen);
  return result;
}

Point QtScreens::pointerLocation() const {
  return toGlobalYUp(QPointF(QCursor::pos()));
}

}  // namespace brindlecap
