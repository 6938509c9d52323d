#include "foundation/DateTime.h"

#include <gtest/gtest.h>

namespace talven {
namespace {

TEST(DateTimeCalendar, leapDaysFollowTheGregorianRule) {
    EXPECT_FALSE(DateTime::FromElements(2011, 2, 29, 0, 0, 0).valid());
    EXPECT_TRUE(DateTime::FromElements(2012, 2, 29, 0, 0, 0).valid());
    EXPECT_FALSE(DateTime::FromElements(2100, 2, 29, 0, 0, 0).valid());
    EXPECT_TRUE(DateTime::FromElements(2000, 2, 29, 0, 0, 0).valid());
}

TEST(DateTimeCalendar, twoDigitYearsSplitAtSeventy) {
    EXPECT_EQ(DateTime::FromElements(12, 1, 1, 0, 0, 0).year(), 2012);
    EXPECT_EQ(DateTime::FromElements(69, 1, 1, 0, 0, 0).year(), 2069);
    EXPECT_EQ(DateTime::FromElements(70, 1, 1, 0, 0, 0).year(), 1970);
    EXPECT_EQ(DateTime::FromElements(85, 1, 1, 0, 0, 0).year(), 1985);
    EXPECT_FALSE(DateTime::FromElements(1969, 12, 31, 23, 59, 59).valid());
}

TEST(DateTimeCalendar, impossibleElementsGiveAnInvalidValueWithZeroCounts) {
    const int bad[][6] = {{2012, 0, 1, 0, 0, 0},  {2012, 13, 1, 0, 0, 0}, {2012, 4, 31, 0, 0, 0},
                          {2012, 1, 0, 0, 0, 0},  {2012, 1, 1, 24, 0, 0}, {2012, 1, 1, 0, 60, 0},
                          {2012, 1, 1, 0, 0, 60}, {2012, 1, 1, -1, 0, 0}, {2106, 1, 1, 0, 0, 0},
                          {-5, 1, 1, 0, 0, 0}};
    for (const auto& e : bad) {
        const DateTime t = DateTime::FromElements(e[0], e[1], e[2], e[3], e[4], e[5]);
        EXPECT_FALSE(t.valid()) << e[0] << "-" << e[1] << "-" << e[2] << " " << e[3] << ":" << e[4] << ":"
                                << e[5];
        EXPECT_EQ(t.seconds(), 0u);
        EXPECT_EQ(t.weekday(), 0);
        EXPECT_EQ(t.dayOfYear(), 0);
    }
}

TEST(DateTimeCalendar, defaultIsTheEpochOnAThursday) {
    const DateTime t;
    EXPECT_EQ(t.seconds(), 0u);
    EXPECT_EQ(t.year(), 1970);
    EXPECT_EQ(t.weekday(), 5);
    EXPECT_EQ(t.dayOfYear(), 1);
    EXPECT_TRUE(t.valid());
    EXPECT_EQ(DateTime::FromElements(1970, 1, 2, 0, 0, 0).seconds(), 86400u);
}

TEST(DateTimeCalendar, elementsAndSecondsAgreeAcrossTheWholeRange) {
    // Walk every day boundary in 1970..2105 once a week plus a few odd seconds, both ways.
    for (std::uint32_t s = 0; s < 4291747200u; s += 86400u * 7 + 3607) {
        const DateTime a = DateTime::FromSeconds(s);
        const DateTime b =
            DateTime::FromElements(a.year(), a.month(), a.day(), a.hour(), a.minute(), a.second());
        ASSERT_TRUE(b.valid()) << s;
        ASSERT_EQ(b.seconds(), s);
        ASSERT_EQ(b.weekday(), a.weekday());
        ASSERT_EQ(b.dayOfYear(), a.dayOfYear());
    }
    const DateTime last = DateTime::FromElements(2105, 12, 31, 23, 59, 59);
    EXPECT_TRUE(last.valid());
    EXPECT_EQ(DateTime::FromSeconds(last.seconds()).year(), 2105);
    EXPECT_EQ(last.dayOfYear(), 365);
}

TEST(DateTimeCalendar, weekdayAndDayOfYearOfKnownDates) {
    const DateTime t = DateTime::FromElements(2012, 12, 31, 12, 0, 0);  // a Monday, leap year
    EXPECT_EQ(t.weekday(), 2);
    EXPECT_EQ(t.dayOfYear(), 366);
    EXPECT_EQ(DateTime::FromElements(2024, 3, 1, 0, 0, 0).dayOfYear(), 61);
    EXPECT_EQ(DateTime::FromElements(2023, 3, 1, 0, 0, 0).dayOfYear(), 60);
}

TEST(DateTimeArithmetic, spansAndDifferencesWorkOnTheSecondsCount) {
    const DateTime a = DateTime::FromElements(2012, 2, 28, 23, 0, 0);
    const DateTime b = a + TimeSpan::FromElements(0, 2, 0, 0);
    EXPECT_EQ(b.month(), 2);
    EXPECT_EQ(b.day(), 29);
    EXPECT_EQ(b.hour(), 1);
    EXPECT_EQ(b - a, 7200);
    EXPECT_EQ(a - b, -7200);
    EXPECT_LT(a, b);
    EXPECT_EQ(b - TimeSpan::FromSeconds(7200), a);
}

TEST(TimeSpan, splitsAndJoinsDaysHoursMinutesSeconds) {
    const TimeSpan s = TimeSpan::FromSeconds(90061);
    EXPECT_EQ(s.days, 1u);
    EXPECT_EQ(s.hours, 1u);
    EXPECT_EQ(s.minutes, 1u);
    EXPECT_EQ(s.seconds, 1u);
    EXPECT_EQ(TimeSpan::FromElements(1, 1, 1, 1).total, 90061u);
    EXPECT_EQ(TimeSpan::FromElements(0, 0, 90, 0), TimeSpan::FromSeconds(5400));
}

TEST(DateFormat, everyCodePrintsItsFieldWithFixedDigits) {
    const DateTime t = DateTime::FromElements(2012, 1, 5, 14, 3, 9);  // a Thursday
    EXPECT_EQ(t.Format("%d-%b-%y %H:%M:%S"), "05-JAN-12 14:03:09");
    EXPECT_EQ(t.Format("%a %w %j %m %Y %I%p"), "THU 4 005 01 2012 02PM");
    EXPECT_EQ(t.Format("100%% %#d"), "100% 05");
    EXPECT_EQ(t.Format("%q|%Z|"), "||");
    EXPECT_EQ(t.Format("end %"), "end ");
    EXPECT_EQ(t.Format("end %#"), "end ");
    EXPECT_EQ(DateTime::FromElements(2012, 2, 1, 0, 0, 0).Format("%j:%H:%M"), "032:00:00");
}

TEST(DateFormat, twelveHourClockAroundMidnightAndNoon) {
    EXPECT_EQ(DateTime::FromElements(2012, 1, 1, 0, 30, 0).Format("%I%p"), "12AM");
    EXPECT_EQ(DateTime::FromElements(2012, 1, 1, 12, 30, 0).Format("%I%p"), "12PM");
    EXPECT_EQ(DateTime::FromElements(2012, 1, 1, 23, 30, 0).Format("%I%p"), "11PM");
    EXPECT_EQ(DateTime::FromElements(2012, 1, 1, 11, 30, 0).Format("%I%p"), "11AM");
}

TEST(DateFormat, namesOutOfRangeAreInv) {
    EXPECT_STREQ(MonthName(0), "INV");
    EXPECT_STREQ(MonthName(13), "INV");
    EXPECT_STREQ(MonthName(12), "DEC");
    EXPECT_STREQ(DayName(8), "INV");
    EXPECT_STREQ(DayName(1), "SUN");
    // An invalid value still formats without failing; its weekday 0 names "INV".
    const DateTime bad = DateTime::FromElements(2011, 2, 29, 0, 0, 0);
    EXPECT_EQ(bad.Format("%a %w"), "INV 0");
}

}  // namespace
}  // namespace talven
