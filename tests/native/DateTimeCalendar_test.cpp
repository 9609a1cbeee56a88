#include <gtest/gtest.h>

#include "platform/DateTime.h"

TEST(DateTimeCalendar, EncodesAndDecodesKnownDates) {
    struct Case {
        int y, m, d;
        double serial;
        int dayOfWeek;
    } cases[] = {
        {1899, 12, 30, 0, 7},    {1899, 12, 31, 1, 1},       {1900, 1, 1, 2, 2},
        {2000, 2, 29, 36585, 3}, {2024, 12, 9, 45635, 2},    {2023, 2, 1, 44958, 4},
        {1, 1, 1, -693593, 2},   {9999, 12, 31, 2958465, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.serial);
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial);
        int y, m, d;
        DecodeDate(c.serial + (c.serial < 0 ? -0.75 : 0.75), y, m, d);  // time of day kept
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
        EXPECT_EQ(DayOfWeek(c.serial), c.dayOfWeek);
    }
}

TEST(DateTimeCalendar, RejectsInvalidDatesAndTimes) {
    TDateTime r = 123;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, r));
    EXPECT_FALSE(TryEncodeDate(2023, 13, 1, r));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, r));
    EXPECT_EQ(r, 123);
    EXPECT_TRUE(TryEncodeDate(2024, 2, 29, r));
    EXPECT_EQ(DaysInAMonth(1900, 2), 28);
    EXPECT_EQ(DaysInAMonth(2000, 2), 29);
}

TEST(DateTimeCalendar, TimeOfDayRoundTripsToTheMillisecond) {
    TDateTime t = EncodeTime(22, 0, 0, 0);
    EXPECT_DOUBLE_EQ(t, 22.0 / 24.0);
    int h, mi, s, ms;
    DecodeTime(EncodeDate(2024, 1, 1) + EncodeTime(23, 59, 59, 999), h, mi, s, ms);
    EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 235959999);
    // Before the zero day the time is the magnitude of the fraction: -1.25 is 29 Dec 1899 6:00.
    DecodeTime(-1.25, h, mi, s, ms);
    EXPECT_EQ(h, 6);
}
