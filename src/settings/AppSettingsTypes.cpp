#include "settings/AppSettingsTypes.h"

#include <cstddef>

namespace brindlecap {

namespace {

// One row per case, kept in declaration order so a case's underlying value is its row index;
// naming the case in each row lets the compiler check that order below.
template <class E, class Row, std::size_t N>
constexpr bool rowsFollowDeclarationOrder(const std::array<Row, N>& rows) {
  if (N != allCases<E>.size()) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (rows[i].value != allCases<E>[i] || static_cast<std::size_t>(rows[i].value) != i) {
      return false;
    }
  }
  return true;
}

template <class Row, std::size_t N, class E>
const Row& rowFor(const std::array<Row, N>& rows, E value) {
  // A value outside the declared cases can only come from a bad cast; the first row is safer
  // than reading past the table.
  const auto index = static_cast<std::size_t>(value);
  return index < N ? rows[index] : rows[0];
}

struct BannerDurationRow {
  CompletionBannerDuration value;
  std::string_view raw;
  std::string_view title;
  double seconds;
};
constexpr std::array<BannerDurationRow, 3> kBannerDurations{{
    {CompletionBannerDuration::brief, "brief", "15 сек", 15},
    {CompletionBannerDuration::standard, "standard", "30 сек", 30},
    {CompletionBannerDuration::extended, "extended", "1 мин", 60},
}};
static_assert(rowsFollowDeclarationOrder<CompletionBannerDuration>(kBannerDurations));

struct SnoozeRow {
  QuickSnoozeInterval value;
  int minutes;
  std::string_view title;
};
constexpr std::array<SnoozeRow, 4> kSnoozeIntervals{{
    {QuickSnoozeInterval::fiveMinutes, 5, "5 мин"},
    {QuickSnoozeInterval::fifteenMinutes, 15, "15 мин"},
    {QuickSnoozeInterval::thirtyMinutes, 30, "30 мин"},
    {QuickSnoozeInterval::oneHour, 60, "1 ч"},
}};
static_assert(rowsFollowDeclarationOrder<QuickSnoozeInterval>(kSnoozeIntervals));

struct MenuBarRow {
  MenuBarPresentation value;
  std::string_view raw;
  std::string_view title;
};
constexpr std::array<MenuBarRow, 2> kMenuBarPresentations{{
    {MenuBarPresentation::timeAndProgress, "timeAndProgress", "Время"},
    {MenuBarPresentation::progressOnly, "progressOnly", "Прогресс"},
}};
static_assert(rowsFollowDeclarationOrder<MenuBarPresentation>(kMenuBarPresentations));

constexpr Color rgb255(int red, int green, int blue) {
  return Color{red / 255.0, green / 255.0, blue / 255.0, 1};
}

// The named system colours have no dynamic counterpart on Linux, so each appearance gets the
// fixed value those names stand for. Purple is our own colour and does not change.
struct ColorRow {
  ThreadColorPreset value;
  std::string_view raw;
  std::string_view title;
  Color light;
  Color dark;
};
constexpr Color kPurple{0.69, 0.10, 0.82, 1};
constexpr std::array<ColorRow, 7> kColors{{
    {ThreadColorPreset::purple, "purple", "Фиолетовый", kPurple, kPurple},
    {ThreadColorPreset::blue, "blue", "Синий", rgb255(0, 122, 255), rgb255(10, 132, 255)},
    {ThreadColorPreset::teal, "teal", "Бирюзовый", rgb255(48, 176, 199), rgb255(64, 200, 224)},
    {ThreadColorPreset::green, "green", "Зелёный", rgb255(52, 199, 89), rgb255(48, 209, 88)},
    {ThreadColorPreset::orange, "orange", "Оранжевый", rgb255(255, 149, 0), rgb255(255, 159, 10)},
    {ThreadColorPreset::pink, "pink", "Розовый", rgb255(255, 45, 85), rgb255(255, 55, 95)},
    {ThreadColorPreset::gray, "gray", "Серый", rgb255(142, 142, 147), rgb255(152, 152, 157)},
}};
static_assert(rowsFollowDeclarationOrder<ThreadColorPreset>(kColors));

struct ReminderRow {
  ReminderPresentation value;
  std::string_view raw;
  std::string_view title;
};
constexpr std::array<ReminderRow, 3> kReminderPresentations{{
    {ReminderPresentation::miniBanner, "miniBanner", "Плашка"},
    {ReminderPresentation::systemNotification, "systemNotification", "Система"},
    {ReminderPresentation::both, "both", "Оба"},
}};
static_assert(rowsFollowDeclarationOrder<ReminderPresentation>(kReminderPresentations));

}  // namespace

std::string_view rawValue(CompletionBannerDuration value) {
  return rowFor(kBannerDurations, value).raw;
}
int rawValue(QuickSnoozeInterval value) {
  return rowFor(kSnoozeIntervals, value).minutes;
}
std::string_view rawValue(MenuBarPresentation value) {
  return rowFor(kMenuBarPresentations, value).raw;
}
std::string_view rawValue(ThreadColorPreset value) {
  return rowFor(kColors, value).raw;
}
std::string_view rawValue(ReminderPresentation value) {
  return rowFor(kReminderPresentations, value).raw;
}

std::string_view title(CompletionBannerDuration value) {
  return rowFor(kBannerDurations, value).title;
}
std::string_view title(QuickSnoozeInterval value) {
  return rowFor(kSnoozeIntervals, value).title;
}
std::string_view snoozeActionTitle(QuickSnoozeInterval value) {
  switch (value) {
    case QuickSnoozeInterval::fiveMinutes:
      return "Отложить на 5 минут";
    case QuickSnoozeInterval::fifteenMinutes:
      return "Отложить на 15 минут";
    case QuickSnoozeInterval::thirtyMinutes:
      return "Отложить на 30 минут";
    case QuickSnoozeInterval::oneHour:
      return "Отложить на 1 час";
  }
  return {};
}
std::string_view title(MenuBarPresentation value) {
  return rowFor(kMenuBarPresentations, value).title;
}
std::string_view title(ThreadColorPreset value) {
  return rowFor(kColors, value).title;
}
std::string_view title(ReminderPresentation value) {
  return rowFor(kReminderPresentations, value).title;
}

double seconds(CompletionBannerDuration value) {
  return rowFor(kBannerDurations, value).seconds;
}
double seconds(QuickSnoozeInterval value) {
  return rawValue(value) * 60.0;
}

Color color(ThreadColorPreset preset, bool dark) {
  const ColorRow& row = rowFor(kColors, preset);
  return dark ? row.dark : row.light;
}

}  // namespace brindlecap
