#pragma once

#include <memory>
#include <mutex>
#include <string>

#include <unicode/uversion.h>

#include "platform/DateFormatter.h"

// ICU's namespace is versioned (icu_72), so it is declared through its own macros.
U_NAMESPACE_BEGIN
class DateFormat;
U_NAMESPACE_END

namespace brindlecap {

// Dates in the process's locale (LC_ALL, LC_TIME, LANG) and time zone (TZ, /etc/localtime) as
// they are at the first use. Any thread.
class LocaleDateFormatter : public DateFormatter {
 public:
  LocaleDateFormatter();
  ~LocaleDateFormatter() override;
  LocaleDateFormatter(const LocaleDateFormatter&) = delete;
  LocaleDateFormatter& operator=(const LocaleDateFormatter&) = delete;

  bool isSameDay(TimePoint a, TimePoint b) const override;
  std::string shortTime(TimePoint t) const override;
  std::string abbreviatedDateTime(TimePoint t) const override;

 private:
  // ICU objects keep per-call state even in their const methods, so each use is locked.
  mutable std::mutex mutex_;
  mutable bool loaded_ = false;
  mutable std::unique_ptr<icu::DateFormat> abbreviatedDateTime_;
};

}  // namespace brindlecap
