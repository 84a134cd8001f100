#include "platform/linux/IcuDateFormatter.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>
#include <string>

namespace brindlecap {
namespace {

// A Russian user in Moscow, whatever the machine running the tests is set to. ICU would read
// LANG and TZ only once per process, so the defaults are set through ICU itself.
class IcuDateFormatterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedLocale = icu::Locale::getDefault();
    savedZone.reset(icu::TimeZone::createDefault());
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("ru_RU"), status);
    ASSERT_TRUE(U_SUCCESS(status));
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Europe/Moscow"));
    formatter = std::make_unique<IcuDateFormatter>();
  }
  void TearDown() override {
    formatter.reset();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(savedLocale, status);
    icu::TimeZone::adoptDefault(savedZone.release());
  }

  icu::Locale savedLocale;
  std::unique_ptr<icu::TimeZone> savedZone;
  std::unique_ptr<IcuDateFormatter> formatter;
};

TEST_F(IcuDateFormatterTest, FormatsAndSplitsDaysInTheUsersLocaleAndZone) {
  const auto at = [](double unixSeconds) { return timePointFromUnix(unixSeconds); };
  EXPECT_EQ(formatter->shortTime(at(1773140700)), "14:05");                     // 11:05 UTC
  const std::string dateTime = formatter->abbreviatedDateTime(at(1796590860));  // 21:01 UTC
  EXPECT_NE(dateTime.find("7 дек. 2026"), std::string::npos) << dateTime;
  EXPECT_NE(dateTime.find("00:01"), std::string::npos) << dateTime;

  // Same UTC day (6 Dec), different days in Moscow: 23:59 and 00:01.
  EXPECT_FALSE(formatter->isSameDay(at(1796590740), at(1796590860)));
  // Different UTC days, the same day (7 Dec) in Moscow: 01:00 and 23:00.
  EXPECT_TRUE(formatter->isSameDay(at(1796594400), at(1796673600)));
  // The same day of the year a year apart: 1 Mar 2025 and 2026 at noon UTC.
  EXPECT_FALSE(formatter->isSameDay(at(1740830400), at(1772366400)));
}

}  // namespace
}  // namespace brindlecap
