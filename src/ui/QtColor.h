#pragma once

#include <QColor>
#include <algorithm>

#include "platform/Color.h"

namespace brindlecap {

// The one conversion from the core's colours to Qt's; components outside [0, 1] are clamped,
// which Qt would otherwise turn into an invalid colour.
inline QColor toQColor(const Color& c) {
  auto unit = [](double v) { return static_cast<float>(std::clamp(v, 0.0, 1.0)); };
  return QColor::fromRgbF(unit(c.red), unit(c.green), unit(c.blue), unit(c.alpha));
}

}  // namespace brindlecap
