#pragma once

#include <optional>
#include <vector>

#include "platform/Geometry.h"

namespace brindlecap {

struct ScreenInfo {
  Rect frame;         // global points, y up
  Rect visibleFrame;  // without the top bar and docks
  double maximumFramesPerSecond = 60;
  // The top-bar strips beside a camera housing; Linux screens have none.
  std::optional<Rect> auxiliaryTopLeftArea;
  std::optional<Rect> auxiliaryTopRightArea;
  friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

class Screens {
 public:
  virtual ~Screens() = default;
  // In the platform's order; the main screen first.
  virtual std::vector<ScreenInfo> screens() const = 0;
  // The pointer's position in global points.
  virtual Point pointerLocation() const = 0;
};

// The first screen whose frame contains `p`.
inline std::optional<ScreenInfo> screenContaining(const std::vector<ScreenInfo>& all, Point p) {
  for (const auto& s : all)
    if (s.frame.contains(p)) return s;
  return std::nullopt;
}

}  // namespace brindlecap
