#include "platform/vb/datetime.h"

#include <gtest/gtest.h>

#include <optional>

#include "platform/vb/convert.h"
#include "platform/vb/vb_error.h"
#include "support/clock_guard.h"

using namespace ostrel::vb;

namespace {

using ostrel::testing::At;

std::string Text(DateTime d) { return ToStorageText(d); }

// Installs a fixed clock for one test and restores the system clock after.
class FixedClock : public ::testing::Test {
 protected:
  void Set(double serial, uint64_t ticks = 0) { clock_.emplace(DateTime{serial}, ticks); }

  std::optional<ostrel::testing::ClockGuard> clock_;
};

}  // namespace

TEST(DateTime, SerialsAndFields) {
  EXPECT_EQ(DateSerial(1899, 12, 30).serial, 0);
  EXPECT_EQ(DateSerial(1900, 1, 1).serial, 2);
  EXPECT_EQ(DateSerial(2005, 8, 8).serial, 38572);
  DateTime d = At(2005, 11, 9, 8, 5, 3);
  EXPECT_EQ(Year(d), 2005);
  EXPECT_EQ(Month(d), 11);
  EXPECT_EQ(Day(d), 9);
  EXPECT_EQ(Hour(d), 8);
  EXPECT_EQ(Minute(d), 5);
  EXPECT_EQ(Second(d), 3);
  EXPECT_EQ(Weekday(At(2005, 8, 8)), 2);  // a Monday
  EXPECT_EQ(Weekday(DateTime{0}), 7);     // 1899-12-30, a Saturday
  EXPECT_EQ(DateValue(d), At(2005, 11, 9));
  EXPECT_EQ(Text(TimeValue(d)), "1899-12-30 08:05:03");
  // Before 1899-12-30 the fraction still counts forward into the day.
  EXPECT_EQ(Text(DateTime{-1.25}), "1899-12-29 06:00:00");
  EXPECT_EQ(Text(At(1800, 3, 1, 18)), "1800-03-01 18:00:00");
}

TEST(DateTime, SerialNormalisesLikeVb) {
  EXPECT_EQ(DateSerial(2005, 14, 1), At(2006, 2, 1));
  EXPECT_EQ(DateSerial(2005, 3, 0), At(2005, 2, 28));
  EXPECT_EQ(DateSerial(2005, 0, 1), At(2004, 12, 1));
  EXPECT_EQ(DateSerial(2005, 1, 32), At(2005, 2, 1));
  EXPECT_EQ(DateSerial(5, 1, 1), At(2005, 1, 1));
  EXPECT_EQ(DateSerial(45, 1, 1), At(1945, 1, 1));
  EXPECT_EQ(Text(TimeSerial(25, 0, 0)), "1899-12-31 01:00:00");
  EXPECT_EQ(Text(TimeSerial(0, 0, -1)), "1899-12-29 23:59:59");
  EXPECT_THROW(DateSerial(10000, 1, 1), VbError);
}

TEST(DateTime, DateAddAcrossMonthEnds) {
  EXPECT_EQ(DateAdd("m", 1, At(2005, 1, 31)), At(2005, 2, 28));
  EXPECT_EQ(DateAdd("m", 1, At(2004, 1, 31)), At(2004, 2, 29));
  EXPECT_EQ(DateAdd("m", -1, At(2005, 3, 31, 10)), At(2005, 2, 28, 10));
  EXPECT_EQ(DateAdd("yyyy", 1, At(2004, 2, 29)), At(2005, 2, 28));
  EXPECT_EQ(DateAdd("q", 1, At(2005, 11, 30)), At(2006, 2, 28));
  EXPECT_EQ(DateAdd("d", 1, At(2005, 12, 31, 23, 59, 59)), At(2006, 1, 1, 23, 59, 59));
  EXPECT_EQ(DateAdd("ww", 2, At(2005, 8, 8)), At(2005, 8, 22));
  EXPECT_EQ(DateAdd("h", 25, At(2005, 8, 8)), At(2005, 8, 9, 1));
  EXPECT_EQ(DateAdd("n", -1, At(2005, 1, 1)), At(2004, 12, 31, 23, 59));
  EXPECT_EQ(DateAdd("s", 86400, At(2005, 2, 28)), At(2005, 3, 1));
  EXPECT_EQ(DateAdd("S", 1, At(2005, 2, 28)), At(2005, 2, 28, 0, 0, 1));
  EXPECT_EQ(DateAdd("d", 1.5, At(2005, 8, 8)), At(2005, 8, 10));  // rounded half to even
  EXPECT_THROW(DateAdd("x", 1, At(2005, 8, 8)), VbError);
  EXPECT_THROW(DateAdd("yyyy", 9000, At(2005, 8, 8)), VbError);
}

TEST(DateTime, DateDiffCountsBoundaries) {
  DateTime a = At(2005, 1, 31, 23, 59, 59);
  DateTime b = At(2005, 2, 1, 0, 0, 1);
  EXPECT_EQ(DateDiff("s", a, b), 2);
  EXPECT_EQ(DateDiff("n", a, b), 1);
  EXPECT_EQ(DateDiff("h", a, b), 1);
  EXPECT_EQ(DateDiff("d", a, b), 1);  // calendar days, not 24-hour spans
  EXPECT_EQ(DateDiff("m", a, b), 1);
  EXPECT_EQ(DateDiff("yyyy", At(2005, 12, 31), At(2006, 1, 1)), 1);
  EXPECT_EQ(DateDiff("q", At(2005, 3, 31), At(2005, 4, 1)), 1);
  EXPECT_EQ(DateDiff("d", b, a), -1);
  EXPECT_EQ(DateDiff("s", b, a), -2);
  EXPECT_EQ(DateDiff("w", At(2005, 8, 1), At(2005, 8, 14)), 1);
  EXPECT_EQ(DateDiff("ww", At(2005, 8, 13), At(2005, 8, 14)), 1);  // Saturday to Sunday
  EXPECT_EQ(DateDiff("ww", At(2005, 8, 14), At(2005, 8, 20)), 0);
  // The cache's 20-day lifetime is counted in whole seconds.
  DateTime stored = At(2005, 8, 8, 12);
  EXPECT_EQ(DateDiff("s", stored, DateAdd("s", 1727999, stored)), 1727999);
  EXPECT_EQ(DateDiff("s", stored, DateAdd("s", 1728000, stored)), 1728000);
}

TEST(DateTime, TextForms) {
  EXPECT_EQ(DateText(At(2005, 8, 8, 12)), "2005-8-8 12:00:00");
  EXPECT_EQ(DateText(At(2005, 8, 8)), "2005-8-8");
  EXPECT_EQ(DateText(TimeSerial(9, 5, 0)), "9:05:00");
  EXPECT_EQ(ShortDateText(At(2005, 12, 25, 1)), "2005-12-25");
  EXPECT_EQ(LongTimeText(At(2005, 12, 25, 1, 2, 3)), "1:02:03");
  EXPECT_EQ(ToStorageText(At(2005, 8, 8, 9, 5, 3)), "2005-08-08 09:05:03");
  EXPECT_EQ(ToStorageText(At(950, 1, 2)), "0950-01-02 00:00:00");
}

TEST(DateTime, StorageTextRoundTrips) {
  DateTime d;
  ASSERT_TRUE(FromStorageText("2005-08-08 09:05:03", &d));
  EXPECT_EQ(d, At(2005, 8, 8, 9, 5, 3));
  ASSERT_TRUE(FromStorageText("2005-08-08", &d));
  EXPECT_EQ(d, At(2005, 8, 8));
  ASSERT_TRUE(FromStorageText("2005-08-08 09:05:03.250", &d));
  EXPECT_EQ(d, At(2005, 8, 8, 9, 5, 3));
  ASSERT_TRUE(FromStorageText("2005年8月8日 9:05", &d));  // the VB grammar as a fallback
  EXPECT_EQ(d, At(2005, 8, 8, 9, 5));
  EXPECT_FALSE(FromStorageText("2005-02-30 00:00:00", &d));
  EXPECT_FALSE(FromStorageText("garbage", &d));
  for (DateTime x : {At(2005, 8, 8, 23, 59, 59), At(1999, 12, 31), At(2030, 6, 15, 12, 0, 1)}) {
    ASSERT_TRUE(FromStorageText(ToStorageText(x), &d));
    EXPECT_EQ(ToStorageText(d), ToStorageText(x));
  }
}

TEST_F(FixedClock, NowIsTruncatedToTheSecond) {
  double serial = At(2005, 8, 8, 12, 30, 15).serial + 0.7 / 86400;
  Set(serial, 5'000'000'000ull);
  EXPECT_EQ(Now(), At(2005, 8, 8, 12, 30, 15));
  EXPECT_EQ(Today(), At(2005, 8, 8));
  EXPECT_EQ(ToStorageText(TimeNow()), "1899-12-30 12:30:15");
  EXPECT_NEAR(Timer(), 12 * 3600 + 30 * 60 + 15.7, 1e-3);
  EXPECT_EQ(GetTickCount(), 5000u);
  // A reading of exactly a whole second stays on that second.
  Set(At(2005, 8, 8, 23, 59, 59).serial);
  EXPECT_EQ(Now(), At(2005, 8, 8, 23, 59, 59));
  EXPECT_NEAR(Timer(), 86399, 1e-3);
}

TEST(DateTime, SystemClockIsLocalAndCurrent) {
  SetClock(nullptr);
  time_t t = time(nullptr);
  tm lt{};
  localtime_r(&t, &lt);
  DateTime now = Now();
  // Compare only the date to stay clear of a second ticking over.
  int64_t days = DateDiff("d", At(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday), now);
  EXPECT_TRUE(days == 0 || days == 1);
  EXPECT_GE(Timer(), 0);
  EXPECT_LT(Timer(), 86400);
}
