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

}  // namespace brindlecap
