#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"

namespace brindlecap {

struct SnoozeMenuItem {
  std::string title;
  int tag = 0;  // the interval in minutes
  bool checked = false;
  friend bool operator==(const SnoozeMenuItem&, const SnoozeMenuItem&) = default;
};

// The completion banner's window: a non-activating, always-on-top translucent panel of
// 330 × 136 points with the timer symbol, a title, a body line ("Время вышло"), "Закрыть" and the
// snooze pill.
// Main thread only. Frames are global points, y up.
class CompletionBannerPanel {
 public:
  virtual ~CompletionBannerPanel() = default;

  // The close button or a click on the background outside the buttons.
  std::function<void()> onDismiss;
  std::function<void()> onQuickSnooze;
  // The chevron beside the quick snooze; the controller answers with popUpSnoozeMenu.
  std::function<void()> onShowSnoozeOptions;

  virtual void setTitle(const std::string& title) = 0;
  virtual void setBody(const std::string& body) = 0;
  virtual void setQuickSnoozeTitle(const std::string& title) = 0;
  // Tints the symbol and fills the snooze pill.
  virtual void setAccentColor(Color accent) = 0;
  virtual void setButtonsEnabled(bool enabled) = 0;

  virtual Rect frame() const = 0;
  virtual void setFrame(const Rect& frame) = 0;
  virtual void setAlpha(double alpha) = 0;
  // Shows the panel above other windows without activating the application.
  virtual void orderFrontRegardless() = 0;
  virtual void orderOut() = 0;
  virtual bool isVisible() const = 0;
  // Animates the alpha to 0 over `duration` seconds; `completion` runs on the main thread.
  virtual void fadeOut(double duration, std::function<void()> completion) = 0;
  // Pops the snooze menu up at the chevron's right edge. `closed` runs once when the menu
  // closes, with the chosen item's tag or nothing.
  virtual void popUpSnoozeMenu(std::vector<SnoozeMenuItem> items,
                               std::function<void(std::optional<int> tag)> closed) = 0;
};

// The completion sound.
class CompletionSound {
 public:
  virtual ~CompletionSound() = default;
  // Starts the sound; false when it cannot be played (missing theme sound, no device).
  virtual bool play() = 0;
  // The system beep.
  virtual void beep() = 0;
};

}  // namespace brindlecap
