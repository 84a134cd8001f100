#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/CompletionBannerPanel.h"

namespace brindlecap::testing {

// A banner panel that records what it is told. The fade and the snooze menu stay pending until
// the test finishes them, as the real animation and menu end later on the main thread.
class FakeCompletionBannerPanel : public CompletionBannerPanel {
 public:
  void setTitle(const std::string& value) override { title = value; }
  void setBody(const std::string& value) override { body = value; }
  void setQuickSnoozeTitle(const std::string& value) override { quickSnoozeTitle = value; }
  void setAccentColor(Color value) override { accent = value; }
  void setButtonsEnabled(bool enabled) override { buttonsEnabled = enabled; }

  Rect frame() const override { return currentFrame; }
  void setFrame(const Rect& value) override { currentFrame = value; }
  void setAlpha(double value) override { alpha = value; }
  void orderFrontRegardless() override { visible = true; }
  void orderOut() override { visible = false; }
  bool isVisible() const override { return visible; }
  void fadeOut(double, std::function<void()> completion) override {
    ++fadeCount;
    pendingFade = std::move(completion);
  }
  void popUpSnoozeMenu(std::vector<SnoozeMenuItem> items,
                       std::function<void(std::optional<int>)> closed) override {
    ++menuCount;
    menuItems = std::move(items);
    pendingMenuClosed = std::move(closed);
  }

  bool isFading() const { return static_cast<bool>(pendingFade); }
  // Ends the running fade; false when none is running.
  bool finishFade() {
    if (!pendingFade) return false;
    alpha = 0;
    auto completion = std::exchange(pendingFade, nullptr);
    completion();
    return true;
  }
  // Closes the open menu with the chosen item's tag, or without a choice.
  void closeMenu(std::optional<int> tag = std::nullopt) {
    auto closed = std::exchange(pendingMenuClosed, nullptr);
    if (closed) closed(tag);
  }

  // Clicks as the window delivers them: disabled buttons do not react; the background always does.
  void clickClose() {
    if (buttonsEnabled && onDismiss) onDismiss();
  }
  void clickBackground() {
    if (onDismiss) onDismiss();
  }
  void clickQuickSnooze() {
    if (buttonsEnabled && onQuickSnooze) onQuickSnooze();
  }
  void clickSnoozeOptions() {
    if (buttonsEnabled && onShowSnoozeOptions) onShowSnoozeOptions();
  }

  std::string title;
  std::string body;
  std::string quickSnoozeTitle;
  std::optional<Color> accent;
  bool buttonsEnabled = true;
  Rect currentFrame;
  double alpha = 1;
  bool visible = false;
  int fadeCount = 0;
  std::function<void()> pendingFade;
  int menuCount = 0;
  std::vector<SnoozeMenuItem> menuItems;
  std::function<void(std::optional<int>)> pendingMenuClosed;
};

// A completion sound that can be made unplayable; counts every play attempt and beep.
class FakeCompletionSound : public CompletionSound {
 public:
  bool play() override {
    ++plays;
    return playable;
  }
  void beep() override { ++beeps; }

  bool playable = true;
  int plays = 0;
  int beeps = 0;
};

}  // namespace brindlecap::testing
