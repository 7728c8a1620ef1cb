// FILETIME to local time (the bias in force now) and to the packed DOS stamp.
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/posix/include/win32_subset.h"

namespace {

constexpr int64_t TicksPerSecond = 10000000;
constexpr int64_t SecondsFrom1601To1970 = 11644473600LL;

FILETIME FromTicks(uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

uint64_t Ticks(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME Utc(int year, int month, int day, int hour, int minute, int second, int milliseconds = 0) {
  tm civil{};
  civil.tm_year = year - 1900;
  civil.tm_mon = month - 1;
  civil.tm_mday = day;
  civil.tm_hour = hour;
  civil.tm_min = minute;
  civil.tm_sec = second;
  const int64_t seconds = static_cast<int64_t>(timegm(&civil)) + SecondsFrom1601To1970;
  return FromTicks(static_cast<uint64_t>(seconds * TicksPerSecond + milliseconds * 10000));
}

struct DosCase {
  FILETIME time;
  WORD date;
  WORD clock;
};

TEST(DosDateTime, PacksDateAndTimeWithTwoSecondResolution) {
  const DosCase cases[] = {
      {Utc(1980, 1, 1, 0, 0, 0), 0x0021, 0x0000},
      {Utc(2107, 12, 31, 23, 59, 59, 999), 0xFF9F, 0xBF7D},
      {Utc(2000, 2, 29, 13, 45, 31, 999), 0x285D, 0x6DAF},
      {Utc(2043, 12, 31, 23, 59, 58), 0x7F9F, 0xBF7D},
      {Utc(2044, 1, 1, 0, 0, 0), 0x8021, 0x0000},
      {Utc(2024, 6, 15, 8, 7, 1), 0x58CF, 0x40E0},
  };
  for (const DosCase& c : cases) {
    WORD date = 0;
    WORD clock = 0;
    ASSERT_TRUE(FileTimeToDosDateTime(&c.time, &date, &clock));
    EXPECT_EQ(date, c.date);
    EXPECT_EQ(clock, c.clock);
  }
}

TEST(DosDateTime, StampsFrom2044OnAreNegativeAsSigned32Bit) {
  WORD date = 0;
  WORD clock = 0;
  const FILETIME before = Utc(2043, 12, 31, 23, 59, 58);
  const FILETIME after = Utc(2044, 1, 1, 0, 0, 0);
  ASSERT_TRUE(FileTimeToDosDateTime(&before, &date, &clock));
  const auto earlier = static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | clock);
  ASSERT_TRUE(FileTimeToDosDateTime(&after, &date, &clock));
  const auto later = static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | clock);
  EXPECT_GT(earlier, 0);
  EXPECT_LT(later, 0);
  EXPECT_EQ(static_cast<uint32_t>(later), 0x80210000u);
}

TEST(DosDateTime, DatesOutsideTheRangeFail) {
  const FILETIME outside[] = {Utc(1979, 12, 31, 23, 59, 59, 999), Utc(2108, 1, 1, 0, 0, 0),
                              FromTicks(0), FromTicks(~0ull)};
  for (const FILETIME& time : outside) {
    WORD date = 0x1234;
    WORD clock = 0x5678;
    SetLastError(0);
    EXPECT_FALSE(FileTimeToDosDateTime(&time, &date, &clock)) << Ticks(time);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
}

// Sets TZ for one test and puts the old value back.
class TimeZone : public testing::Test {
 protected:
  void SetUp() override {
    if (const char* zone = std::getenv("TZ")) saved_ = zone;
  }
  void TearDown() override {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  static void Use(const std::string& zone) {
    setenv("TZ", zone.c_str(), 1);
    tzset();
  }
  static int64_t LocalMinusUtcSeconds(const FILETIME& utc) {
    FILETIME local{};
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    return (static_cast<int64_t>(Ticks(local)) - static_cast<int64_t>(Ticks(utc))) / TicksPerSecond;
  }

 private:
  std::optional<std::string> saved_;
};

TEST_F(TimeZone, FixedOffsetIsAdded) {
  Use("IST-5:30");
  EXPECT_EQ(LocalMinusUtcSeconds(Utc(2020, 1, 15, 12, 0, 0)), 5 * 3600 + 1800);
  Use("UTC0");
  EXPECT_EQ(LocalMinusUtcSeconds(Utc(2020, 1, 15, 12, 0, 0)), 0);
}

// A zone at UTC-3 whose summer time (UTC-2) runs for a month either side of
// today: a stamp half a year away, from its own winter, still gets today's
// summer bias.
TEST_F(TimeZone, TheDaylightStateOfNowAppliesNotThatOfTheStampsDate) {
  const time_t now = time(nullptr);
  tm today{};
  gmtime_r(&now, &today);
  const int start = (today.tm_yday + 365 - 30) % 365 + 1;
  const int end = (today.tm_yday + 30) % 365 + 1;
  Use("STD3DST,J" + std::to_string(start) + "/0,J" + std::to_string(end) + "/0");

  tm local{};
  localtime_r(&now, &local);
  ASSERT_EQ(local.tm_isdst, 1) << "the zone must be on summer time today";
  const time_t halfYearAway = now + 182 * 86400;
  localtime_r(&halfYearAway, &local);
  ASSERT_EQ(local.tm_isdst, 0) << "and on standard time half a year away";

  const auto stamp = static_cast<uint64_t>(halfYearAway + SecondsFrom1601To1970) * TicksPerSecond;
  EXPECT_EQ(LocalMinusUtcSeconds(FromTicks(stamp)), -2 * 3600);
}

}  // namespace
