#pragma once

#include "platform/CompletionBannerPanel.h"

struct ca_context;

namespace brindlecap {

// The completion sound as the freedesktop theme's "alarm-clock-elapsed" event played through
// libcanberra, which is loaded at the first sound; the beep is the display's bell. Main thread
// only.
class CanberraSound : public CompletionSound {
 public:
  CanberraSound();
  ~CanberraSound() override;
  CanberraSound(const CanberraSound&) = delete;
  CanberraSound& operator=(const CanberraSound&) = delete;

  // False on any libcanberra error: no context, no sound device, no such sound in the theme.
  bool play() override;
  void beep() override;

 private:
  void open();

  bool opened_ = false;
  ca_context* context_ = nullptr;
};

}  // namespace brindlecap
