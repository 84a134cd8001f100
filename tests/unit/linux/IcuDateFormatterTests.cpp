#include "platform/linux/IcuDateFormatter.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <memory>
#include <string>

namespace brindlecap {
namespace {

// Unix instants written out in UTC.
constexpr double k2026Mar10_1105Utc = 1773140700;
constexpr double k2026Dec06_2059Utc = 1796590740;  // 23:59 on 6 Dec in Moscow
constexpr double k2026Dec06_2101Utc = 1796590860;  // 00:01 on 7 Dec in Moscow
constexpr double k2026Dec06_2200Utc = 1796594400;  // 01:00 on 7 Dec in Moscow
constexpr double k2026Dec07_2000Utc = 1796673600;  // 23:00 on 7 Dec in Moscow
constexpr double k2025Mar01_1200Utc = 1740830400;
constexpr double k2026Mar01_1200Utc = 1772366400;

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

TEST_F(IcuDateFormatterTest, FormatsInTheUsersLocaleAndZone) {
  EXPECT_EQ(formatter->shortTime(timePointFromUnix(k2026Mar10_1105Utc)), "14:05");

  const std::string dateTime =
      formatter->abbreviatedDateTime(timePointFromUnix(k2026Dec06_2101Utc));
  EXPECT_NE(dateTime.find("7 дек. 2026"), std::string::npos) << dateTime;
  EXPECT_NE(dateTime.find("00:01"), std::string::npos) << dateTime;
}

TEST_F(IcuDateFormatterTest, DaysEndAtLocalMidnight) {
  // Same UTC day, different days in Moscow.
  EXPECT_FALSE(formatter->isSameDay(timePointFromUnix(k2026Dec06_2059Utc),
                                    timePointFromUnix(k2026Dec06_2101Utc)));
  // Different UTC days, the same day in Moscow.
  EXPECT_TRUE(formatter->isSameDay(timePointFromUnix(k2026Dec06_2200Utc),
                                   timePointFromUnix(k2026Dec07_2000Utc)));
  // The same day of the year a year apart.
  EXPECT_FALSE(formatter->isSameDay(timePointFromUnix(k2025Mar01_1200Utc),
                                    timePointFromUnix(k2026Mar01_1200Utc)));
}

}  // namespace
}  // namespace brindlecap
