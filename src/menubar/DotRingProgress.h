#pragma once

#include <optional>

namespace brindlecap {

// How many dots of a ring of `dotCount` show an elapsed fraction `progress`: whole dots lit in
// order from index 0, then at most one dot lit by the remaining fraction (0 ≤ f < 1).
struct DotRingProgress {
  int dotCount;                        // at least 1
  int fullDotCount;                    // dots 0 ..< fullDotCount are fully lit
  std::optional<int> partialDotIndex;  // the one partly lit dot; none when all are full
  double partialFraction;              // lit fraction of that dot; 0 without one

  // `progress` is clamped to [0, 1] (NaN counts as 0); a count below 1 counts as 1.
  DotRingProgress(double progress, int dotCount);
};

}  // namespace brindlecap
