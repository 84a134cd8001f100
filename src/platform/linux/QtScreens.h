#pragma once

#include "platform/Screens.h"

namespace brindlecap {

// The screens Qt reports, in global points with y up; the primary screen first.
class QtScreens : public Screens {
 public:
  std::vector<ScreenInfo> screens() const override;
  Point pointerLocation() const override;
};

}  // namespace brindlecap
