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

// Dates in ICU's default locale, calendar and time zone as they are when this is constructed.
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
  mutable std::mutex mutex_;
  std::unique_ptr<icu::Calendar> calendar_;
  std::unique_ptr<icu::DateFormat> shortTime_;
  std::unique_ptr<icu::DateFormat> abbreviatedDateTime_;
};

}  // namespace brindlecap
