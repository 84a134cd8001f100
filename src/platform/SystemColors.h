#pragma once

#include "platform/Color.h"

namespace brindlecap {

enum class Appearance { light, dark };

// The named system colours as fixed sRGB values for each appearance.
struct SystemColors {
  Color label;
  Color secondaryLabel;
  Color separator;
  Color windowBackground;
  Color purple;  // the default accent before settings apply theirs

  static const SystemColors& forAppearance(Appearance appearance);
};

// WCAG 2 relative luminance (0 black … 1 white) of a colour's opaque sRGB value.
double relativeLuminance(const Color& color);
// WCAG 2 contrast ratio (1…21) of `foreground`, blended by its alpha onto the opaque `background`.
double contrastRatio(const Color& foreground, const Color& background);
// The appearance whose label colour stands out more on `background`.
Appearance appearanceOnBackground(const Color& background);
// The appearance of a surface whose own text is drawn in `foreground`.
Appearance appearanceForForeground(const Color& foreground);

}  // namespace brindlecap
