#include "menubar/DotRingProgress.h"

#include <algorithm>
#include <cmath>

namespace brindlecap {

DotRingProgress::DotRingProgress(double progress, int count)
    : dotCount(std::max(count, 1)), fullDotCount(0), partialFraction(0) {
  // NaN would survive the clamp and make the conversion below undefined.
  const double p = std::isnan(progress) ? 0.0 : std::clamp(progress, 0.0, 1.0);
  const double lit = p * dotCount;
  const int whole = static_cast<int>(std::floor(lit));
  fullDotCount = std::min(dotCount, whole);
  if (whole < dotCount) {
    partialDotIndex = fullDotCount;
    partialFraction = lit - fullDotCount;
  }
}

}  // namespace brindlecap
