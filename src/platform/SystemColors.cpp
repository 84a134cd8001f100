#include "platform/SystemColors.h"

namespace brindlecap {

namespace {

constexpr Color rgb255(int red, int green, int blue) {
  return Color{red / 255.0, green / 255.0, blue / 255.0, 1};
}
constexpr Color black(double alpha) {
  return Color{0, 0, 0, alpha};
}
constexpr Color white(double alpha) {
  return Color{1, 1, 1, alpha};
}

// Text and hairline colours are translucent black or white so they sit on any backdrop.
constexpr SystemColors kLight{
    .label = black(0.85),
    .secondaryLabel = black(0.5),
    .separator = black(0.1),
    .windowBackground = rgb255(236, 236, 236),
    .purple = rgb255(175, 82, 222),
};
constexpr SystemColors kDark{
    .label = white(0.85),
    .secondaryLabel = white(0.55),
    .separator = white(0.1),
    .windowBackground = rgb255(50, 50, 50),
    .purple = rgb255(191, 90, 242),
};

}  // namespace

const SystemColors& SystemColors::forAppearance(Appearance appearance) {
  return appearance == Appearance::dark ? kDark : kLight;
}

}  // namespace brindlecap
