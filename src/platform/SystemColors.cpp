#include "platform/SystemColors.h"

#include <algorithm>
#include <cmath>

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

namespace brindlecap {

namespace {

double linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

}  // namespace

double relativeLuminance(const Color& c) {
  return 0.2126 * linear(c.red) + 0.7152 * linear(c.green) + 0.0722 * linear(c.blue);
}

double contrastRatio(const Color& foreground, const Color& background) {
  // Translucent label colours are seen as what they make of the background.
  const double a = std::clamp(foreground.alpha, 0.0, 1.0);
  const Color seen{foreground.red * a + background.red * (1 - a),
                   foreground.green * a + background.green * (1 - a),
                   foreground.blue * a + background.blue * (1 - a), 1};
  const double l1 = relativeLuminance(seen), l2 = relativeLuminance(background);
  return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

Appearance appearanceOnBackground(const Color& background) {
  const Color opaque = background.withAlpha(1);
  return contrastRatio(kDark.label, opaque) > contrastRatio(kLight.label, opaque)
             ? Appearance::dark
             : Appearance::light;
}

Appearance appearanceForForeground(const Color& foreground) {
  // Text is made to stand out on its surface: light text means a dark surface.
  const Color opaque = foreground.withAlpha(1);
  return contrastRatio(Color{0, 0, 0, 1}, opaque) > contrastRatio(Color{1, 1, 1, 1}, opaque)
             ? Appearance::dark
             : Appearance::light;
}

}  // namespace brindlecap
