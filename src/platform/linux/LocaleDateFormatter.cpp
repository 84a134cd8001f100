#include "platform/linux/LocaleDateFormatter.h"

#include <QLocale>
#include <QString>
#include <QTime>

#include <unicode/datefmt.h>
#include <unicode/unistr.h>

#include <cmath>
#include <ctime>
#include <optional>

namespace brindlecap {

namespace {

// The civil date and time in the process's time zone; nullopt outside what time_t holds.
std::optional<std::tm> localTime(TimePoint t) {
  const double seconds = std::floor(unixFromTimePoint(t));
  if (!(std::fabs(seconds) < 1e15)) return std::nullopt;
  const auto value = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (::localtime_r(&value, &local) == nullptr) return std::nullopt;
  return local;
}

}  // namespace

LocaleDateFormatter::LocaleDateFormatter() = default;
LocaleDateFormatter::~LocaleDateFormatter() = default;

// Days are compared in the C library's local time: a day begins at local midnight in every
// calendar, and ICU's calendar and zone data (about 2.5 MB resident) are not needed for it.
bool LocaleDateFormatter::isSameDay(TimePoint a, TimePoint b) const {
  const auto dayA = localTime(a);
  const auto dayB = localTime(b);
  return dayA && dayB && dayA->tm_year == dayB->tm_year && dayA->tm_yday == dayB->tm_yday;
}

// The short time comes from Qt's own locale tables (the same CLDR data as ICU's), which the
// process has mapped anyway; it is what the list and the bubble show most of the time.
std::string LocaleDateFormatter::shortTime(TimePoint t) const {
  const auto local = localTime(t);
  if (!local) return {};
  const QTime time(local->tm_hour, local->tm_min);
  const QLocale locale = QLocale::system();
  // Qt's C locale would add seconds; a session without a locale gets hours and minutes.
  if (locale.language() == QLocale::C) return time.toString(QStringLiteral("HH:mm")).toStdString();
  return locale.toString(time, QLocale::ShortFormat).toStdString();
}

// ICU's "medium" date ("7 дек. 2026 г.") has no counterpart in Qt's tables, so ICU is loaded for
// it, at the first date that is not today.
std::string LocaleDateFormatter::abbreviatedDateTime(TimePoint t) const {
  std::lock_guard lock(mutex_);
  if (!loaded_) {
    loaded_ = true;
    abbreviatedDateTime_.reset(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort));
  }
  if (!abbreviatedDateTime_) return {};
  icu::UnicodeString text;
  abbreviatedDateTime_->format(unixFromTimePoint(t) * 1000.0, text);
  std::string utf8;
  text.toUTF8String(utf8);
  return utf8;
}

}  // namespace brindlecap
