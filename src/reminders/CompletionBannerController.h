#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/CompletionBannerPanel.h"
#include "platform/Diagnostics.h"
#include "platform/Geometry.h"
#include "platform/MainQueue.h"
#include "platform/Screens.h"
#include "platform/TimePoint.h"
#include "platform/Uuid.h"
#include "settings/AppSettingsStore.h"
#include "timers/TimerItem.h"

namespace brindlecap {

// The application's own completion reminder: plays the completion sound and shows finished timers
// one at a time in a small banner at the top centre of the main screen, which closes by itself
// after the configured time. It never changes a timer; it reports through onSnooze and onDismiss.
// Main thread only.
class CompletionBannerController : public std::enable_shared_from_this<CompletionBannerController> {
 public:
  static constexpr Size kPanelSize{330, 136};
  static constexpr double kScreenInset = 12;
  static constexpr double kFadeDuration = 0.18;          // seconds
  static constexpr double kScreenshotModeDuration = 12;  // seconds
  static constexpr DiagnosticMode kScreenshotMode = DiagnosticMode::completionBanner;
  static constexpr const char* kBody = "Время вышло";

  // References must outlive the controller; the panel's callbacks are set here (holding it weakly).
  static std::shared_ptr<CompletionBannerController> create(
      std::shared_ptr<AppSettingsStore> settings, CompletionBannerPanel& panel,
      CompletionSound& sound, const Screens& screens, MainQueue& mainQueue,
      Diagnostics& diagnostics);
  CompletionBannerController(const CompletionBannerController&) = delete;
  CompletionBannerController& operator=(const CompletionBannerController&) = delete;

  // The user snoozed the shown timer by `seconds` from now.
  std::function<void(const TimerItem& item, double seconds)> onSnooze;
  // The user closed the banner (close button or background).
  std::function<void(const TimerItem& item)> onDismiss;

  // A timer finished: sounds (if enabled) and queues its banner (if enabled), which shows `body`
  // under the title. Main thread.
  void enqueue(const TimerItem& item, std::string body = kBody);
  // Withdraws the firing of `id` at `occurrenceDate` (within kOccurrenceTolerance) from the queue
  // and the screen, without calling onDismiss: the other reminder already reported it. Main thread.
  void dismissOccurrence(const Uuid& id, TimePoint occurrenceDate);

  // Button and menu actions (also reached through the panel's callbacks).
  void dismissCurrent();
  void snoozeWithQuickInterval();
  // Opens the interval menu; the banner stays until the menu closes.
  void showSnoozeOptions();
  // `tag` is the interval in minutes (5, 15, 30 or 60); it becomes the quick-snooze setting.
  void snoozeFromMenu(int tag);

  // A banner is on screen or fading out.
  bool isShowing() const { return isShowing_; }
  bool isHiding() const { return isHiding_; }
  const std::optional<TimerItem>& currentItem() const { return currentItem_; }
  // Waiting to be shown, oldest first.
  std::vector<TimerItem> pendingItems() const;

 private:
  CompletionBannerController(std::shared_ptr<AppSettingsStore> settings,
                             CompletionBannerPanel& panel, CompletionSound& sound,
                             const Screens& screens, MainQueue& mainQueue,
                             Diagnostics& diagnostics);
  void connectPanel();
  void showNext();
  void positionPanel();
  void scheduleAutoDismiss();
  void hideCurrent();
  void snooze(QuickSnoozeInterval interval);
  void snoozeMenuClosed(std::optional<int> tag, std::uint64_t shownBanner);
  void updateSnoozeButtonAppearance();

  std::shared_ptr<AppSettingsStore> settings_;
  CompletionBannerPanel& panel_;
  CompletionSound& sound_;
  const Screens& screens_;
  MainQueue& mainQueue_;
  Diagnostics& diagnostics_;
  [[maybe_unused]] std::thread::id mainThread_ = std::this_thread::get_id();

  struct Pending {
    TimerItem item;
    std::string body;
  };
  std::vector<Pending> pendingItems_;
  std::optional<TimerItem> currentItem_;
  WorkHandle dismissWork_;
  bool isShowing_ = false;
  bool isHiding_ = false;
  bool didChooseSnoozeFromMenu_ = false;
  // Counts banners shown, so a menu that closes after its banner has gone acts on nothing else.
  std::uint64_t shownBanners_ = 0;
};

}  // namespace brindlecap
