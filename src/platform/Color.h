#pragma once

namespace brindlecap {

// An sRGB colour with components in [0, 1].
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;

  Color withAlpha(double a) const { return Color{red, green, blue, a}; }
  friend bool operator==(const Color&, const Color&) = default;
};

}  // namespace brindlecap
