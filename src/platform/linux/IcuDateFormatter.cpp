#include "platform/linux/IcuDateFormatter.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <optional>

namespace brindlecap {

namespace {

UDate toUDate(TimePoint t) {
  return unixFromTimePoint(t) * 1000.0;
}

std::string format(const icu::DateFormat& formatter, TimePoint t) {
  icu::UnicodeString text;
  formatter.format(toUDate(t), text);
  std::string utf8;
  text.toUTF8String(utf8);
  return utf8;
}

}  // namespace

IcuDateFormatter::IcuDateFormatter() = default;

// ICU takes the default locale from LANG/LC_* and the zone from TZ (or /etc/localtime) once.
// The formatters are built once because they are costly, and only at the first date shown: ICU's
// data would otherwise take a few megabytes from start-up on. A time zone change while the
// application runs is therefore only seen after a restart, which is accepted.
void IcuDateFormatter::load() const {
  if (loaded_) return;
  loaded_ = true;
  UErrorCode status = U_ZERO_ERROR;
  calendar_.reset(icu::Calendar::createInstance(status));
  if (U_FAILURE(status)) calendar_.reset();
  shortTime_.reset(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort));
  // ICU's "medium" style is the abbreviated one ("7 дек. 2026 г."); "short" would be numeric.
  abbreviatedDateTime_.reset(
      icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort));
}

IcuDateFormatter::~IcuDateFormatter() = default;

bool IcuDateFormatter::isSameDay(TimePoint a, TimePoint b) const {
  std::lock_guard lock(mutex_);
  load();
  if (!calendar_) return false;
  struct Day {
    int32_t era, year, dayOfYear;
    bool operator==(const Day&) const = default;
  };
  auto dayOf = [this](TimePoint t) {
    UErrorCode status = U_ZERO_ERROR;
    calendar_->setTime(toUDate(t), status);
    Day day{calendar_->get(UCAL_ERA, status), calendar_->get(UCAL_YEAR, status),
            calendar_->get(UCAL_DAY_OF_YEAR, status)};
    return U_SUCCESS(status) ? std::optional<Day>(day) : std::nullopt;
  };
  const auto dayA = dayOf(a);
  const auto dayB = dayOf(b);
  return dayA && dayB && *dayA == *dayB;
}

std::string IcuDateFormatter::shortTime(TimePoint t) const {
  std::lock_guard lock(mutex_);
  load();
  return shortTime_ ? format(*shortTime_, t) : std::string();
}

std::string IcuDateFormatter::abbreviatedDateTime(TimePoint t) const {
  std::lock_guard lock(mutex_);
  load();
  return abbreviatedDateTime_ ? format(*abbreviatedDateTime_, t) : std::string();
}

}  // namespace brindlecap
