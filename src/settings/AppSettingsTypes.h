#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "platform/Color.h"

namespace brindlecap {

// How long the completion banner stays on screen.
enum class CompletionBannerDuration { brief, standard, extended };

// The one-press snooze of the banner and of the notification's quick action.
enum class QuickSnoozeInterval { fiveMinutes, fifteenMinutes, thirtyMinutes, oneHour };

// What the status item draws.
enum class MenuBarPresentation { timeAndProgress, progressOnly };

// The accent colour of the drag tether, the progress ring and related accents.
enum class ThreadColorPreset { purple, blue, teal, green, orange, pink, gray };

// How a completion is announced; derived from two stored booleans, never stored itself.
enum class ReminderPresentation { miniBanner, systemNotification, both };

// allCases<E>: every case of E in declaration order (the order pickers list them in).
template <class E>
struct AllCases;
template <>
struct AllCases<CompletionBannerDuration> {
  static constexpr std::array value{CompletionBannerDuration::brief,
                                    CompletionBannerDuration::standard,
                                    CompletionBannerDuration::extended};
};
template <>
struct AllCases<QuickSnoozeInterval> {
  static constexpr std::array value{
      QuickSnoozeInterval::fiveMinutes, QuickSnoozeInterval::fifteenMinutes,
      QuickSnoozeInterval::thirtyMinutes, QuickSnoozeInterval::oneHour};
};
template <>
struct AllCases<MenuBarPresentation> {
  static constexpr std::array value{MenuBarPresentation::timeAndProgress,
                                    MenuBarPresentation::progressOnly};
};
template <>
struct AllCases<ThreadColorPreset> {
  static constexpr std::array value{ThreadColorPreset::purple, ThreadColorPreset::blue,
                                    ThreadColorPreset::teal,   ThreadColorPreset::green,
                                    ThreadColorPreset::orange, ThreadColorPreset::pink,
                                    ThreadColorPreset::gray};
};
template <>
struct AllCases<ReminderPresentation> {
  static constexpr std::array value{ReminderPresentation::miniBanner,
                                    ReminderPresentation::systemNotification,
                                    ReminderPresentation::both};
};
template <class E>
inline constexpr const auto& allCases = AllCases<E>::value;

// Raw values: the stored form. Strings for all but QuickSnoozeInterval, which is whole minutes.
std::string_view rawValue(CompletionBannerDuration value);
int rawValue(QuickSnoozeInterval value);
std::string_view rawValue(MenuBarPresentation value);
std::string_view rawValue(ThreadColorPreset value);
std::string_view rawValue(ReminderPresentation value);

// The case whose raw value equals `raw` exactly (case-sensitive), or nothing.
// fromRawValue<ThreadColorPreset>("teal"), fromRawValue<QuickSnoozeInterval>(int64 minutes).
template <class E, class Raw>
std::optional<E> fromRawValue(const Raw& raw) {
  for (E candidate : allCases<E>) {
    if (rawValue(candidate) == raw) return candidate;
  }
  return std::nullopt;
}

// Russian display titles (UTF-8); for ThreadColorPreset the colour's name.
std::string_view title(CompletionBannerDuration value);
std::string_view title(QuickSnoozeInterval value);
std::string_view title(MenuBarPresentation value);
std::string_view title(ThreadColorPreset value);
std::string_view title(ReminderPresentation value);

// The quick-snooze action's title, e.g. "Отложить на 5 минут".
std::string_view snoozeActionTitle(QuickSnoozeInterval value);

// Durations in seconds.
double seconds(CompletionBannerDuration value);
double seconds(QuickSnoozeInterval value);

// The preset's sRGB colour for light (dark = false) or dark appearance.
Color color(ThreadColorPreset preset, bool dark = false);

}  // namespace brindlecap
