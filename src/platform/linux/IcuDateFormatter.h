#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <unicode/uversion.h>

#include "platform/DateFormatter.h"

// ICU's namespace is versioned (icu_72), so it is declared through its own macros.
U_NAMESPACE_BEGIN
class Calendar;
class DateFormat;
U_NAMESPACE_END

namespace brindlecap {

// Dates in ICU's default locale, calendar and time zone as they are at the first use.
class IcuDateFormatter : public DateFormatter {
 public:
  IcuDateFormatter();
  ~IcuDateFormatter() override;
  IcuDateFormatter(const IcuDateFormatter&) = delete;
  IcuDateFormatter& operator=(const IcuDateFormatter&) = delete;

  bool isSameDay(TimePoint a, TimePoint b) const override;
  std::string shortTime(TimePoint t) const override;
  std::string abbreviatedDateTime(TimePoint t) const override;

 private:
  // ICU objects keep per-call state even in their const methods, so each use is locked.
  void load() const;  // with the mutex held

  mutable std::mutex mutex_;
  mutable bool loaded_ = false;
  mutable std::unique_ptr<icu::Calendar> calendar_;
  mutable std::unique_ptr<icu::DateFormat> shortTime_;
  mutable std::unique_ptr<icu::DateFormat> abbreviatedDateTime_;
};

}  // namespace brindlecap
