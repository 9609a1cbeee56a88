#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Os.h"
#include "tests/support/FakeOs.h"

namespace {

TFormatSettings German() {
    TFormatSettings fs;
    fs.ShortDateFormat = "dd.MM.yyyy";
    fs.LongDateFormat = "dddd, d. MMMM yyyy";
    fs.ShortTimeFormat = "HH:mm";
    fs.LongTimeFormat = "HH:mm:ss";
    fs.DateSeparator = '.';
    fs.TimeSeparator = ':';
    fs.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
    fs.LongDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                       "Donnerstag", "Freitag", "Samstag"};
    fs.ShortMonthNames = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                          "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
    fs.LongMonthNames = {"Januar", "Februar", "M\xE4rz",   "April",   "Mai",      "Juni",
                         "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
    return fs;
}

TFormatSettings British() {
    TFormatSettings fs = TFormatSettings::UnitedStates();
    fs.ShortDateFormat = "dd/MM/yyyy";
    fs.LongDateFormat = "dd MMMM yyyy";
    fs.ShortTimeFormat = "HH:mm";
    fs.LongTimeFormat = "HH:mm:ss";
    fs.TimeAMString = "am";
    fs.TimePMString = "pm";
    return fs;
}

// Japanese in code page 932: the AM and PM markers share their first byte, the month names
// begin with digits.
TFormatSettings Japanese() {
    TFormatSettings fs;
    fs.ShortDateFormat = "yyyy/MM/dd";
    fs.LongDateFormat = "yyyy'\x94N'M'\x8C\x8E'd'\x93\xFA'";
    fs.ShortTimeFormat = "H:mm";
    fs.LongTimeFormat = "H:mm:ss";
    fs.TimeAMString = "\x8C\xDF\x91O";
    fs.TimePMString = "\x8C\xDF\x8C\xE3";
    const char* days[] = {"\x93\xFA", "\x8C\x8E", "\x89\xCE", "\x90\x85",
                          "\x96\xD8", "\x8B\xE0", "\x93y"};
    for (int i = 0; i < 7; ++i) {
        fs.ShortDayNames[i] = days[i];
        fs.LongDayNames[i] = std::string(days[i]) + "\x97j\x93\xFA";
    }
    for (int i = 0; i < 12; ++i) {
        fs.ShortMonthNames[i] = std::to_string(i + 1);
        fs.LongMonthNames[i] = std::to_string(i + 1) + "\x8C\x8E";
    }
    return fs;
}

struct Locale {
    const char* name;
    TFormatSettings fs;
};

std::vector<Locale> Locales() {
    return {{"UnitedStates", TFormatSettings::UnitedStates()},
            {"German", German()},
            {"British", British()},
            {"Japanese", Japanese()}};
}

// A date-time as the system holds it: before 30 December 1899 the time counts away from zero.
TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    TDateTime date = EncodeDate(y, mo, d), time = EncodeTime(h, mi, s, 0);
    return date < 0 ? date - time : date + time;
}

// Equal to the second.
void ExpectSameSecond(TDateTime actual, TDateTime expected) {
    EXPECT_EQ(std::llround(actual * 86400.0), std::llround(expected * 86400.0))
        << "actual " << actual << " expected " << expected;
}

class DateTimeText : public ::testing::Test {
  protected:
    // The default settings are read again from the fake (United States unless a test says).
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }

    test::FakeOs fake;  // clock at 9 December 2024
    os::ScopedOs scoped{fake};
};

TEST_F(DateTimeText, FormatsShortDateLongTimeAndTheMidnightRule) {
    struct Case {
        TDateTime value;
        const char* expected[4];  // United States, German, British, Japanese
    } cases[] = {
        {At(2024, 12, 9, 10, 33, 5),
         {"12/9/2024 10:33:05 AM", "09.12.2024 10:33:05", "09/12/2024 10:33:05",
          "2024/12/09 10:33:05"}},
        {At(2024, 2, 29), {"2/29/2024", "29.02.2024", "29/02/2024", "2024/02/29"}},
        {At(2024, 2, 29) + EncodeTime(0, 0, 0, 1),
         {"2/29/2024 12:00:00 AM", "29.02.2024 00:00:00", "29/02/2024 00:00:00",
          "2024/02/29 0:00:00"}},
        {At(2024, 3, 1, 0, 0, 1),
         {"3/1/2024 12:00:01 AM", "01.03.2024 00:00:01", "01/03/2024 00:00:01",
          "2024/03/01 0:00:01"}},
        {At(2024, 3, 1, 12, 0, 0),
         {"3/1/2024 12:00:00 PM", "01.03.2024 12:00:00", "01/03/2024 12:00:00",
          "2024/03/01 12:00:00"}},
        {At(2024, 3, 1, 23, 59, 59),
         {"3/1/2024 11:59:59 PM", "01.03.2024 23:59:59", "01/03/2024 23:59:59",
          "2024/03/01 23:59:59"}},
        {At(9999, 12, 31, 23, 59, 59),
         {"12/31/9999 11:59:59 PM", "31.12.9999 23:59:59", "31/12/9999 23:59:59",
          "9999/12/31 23:59:59"}},
        {At(1, 1, 1), {"1/1/0001", "01.01.0001", "01/01/0001", "0001/01/01"}},
    };
    std::vector<Locale> locales = Locales();
    for (const Case& c : cases) {
        for (size_t i = 0; i < locales.size(); ++i) {
            SCOPED_TRACE(locales[i].name);
            EXPECT_EQ(DateTimeToStr(c.value, locales[i].fs), c.expected[i]);
        }
    }
    EXPECT_EQ(TimeToStr(0.5), "12:00:00 PM");
    EXPECT_EQ(TimeToStr(0), "12:00:00 AM");
    EXPECT_EQ(DateToStr(At(2024, 12, 9, 23, 0, 0)), "12/9/2024");
    EXPECT_EQ(TimeToStr(EncodeTime(10, 33, 5, 999)), "10:33:05 AM");  // milliseconds dropped
}

TEST_F(DateTimeText, FormatsEveryPatternLetter) {
    TFormatSettings us = TFormatSettings::UnitedStates();
    TDateTime v = At(2009, 3, 7, 15, 4, 9);  // a Saturday
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {
        {"d dd ddd dddd", "7 07 Sat Saturday"},
        {"M MM MMM MMMM", "3 03 Mar March"},
        {"y yy yyyy", "9 09 2009"},
        {"h hh H HH m mm s ss t tt", "3 03 15 15 4 04 9 09 P PM"},
        {"'d at' h 'o''clock'", "d at 3 o'clock"},
        {"''yy", "09"},
        {"'''' yy", "' 09"},
        {"yyyy-MM-ddTHH:mm", "2009-03-07T15:04"},
        {"dd 'unterminated", "07 unterminated"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.format, v, us), c.expected) << c.format;
    EXPECT_EQ(FormatDateTime("hh tt", At(2009, 3, 7, 0, 30, 0), us), "12 AM");
    EXPECT_EQ(FormatDateTime("dddd, ddd", v, German()), "Samstag, Sa");
    EXPECT_EQ(FormatDateTime("MMMM", At(2009, 3, 7), German()), "M\xE4rz");
    EXPECT_EQ(FormatDateTime("dddd", At(1899, 12, 30, 6, 0, 0), us), "Saturday");
    EXPECT_EQ(FormatDateTime("dddd", At(1899, 12, 29, 18, 0, 0), us), "Friday");
    EXPECT_EQ(DateTimeToStr(std::nan(""), us), "");
    EXPECT_EQ(DateToStr(1e300, us), "");
}

TEST_F(DateTimeText, WhatIsWrittenReadsBackToTheSecond) {
    std::vector<TDateTime> values = {
        At(2024, 12, 9, 10, 33, 5),  At(2024, 2, 29),
        At(2024, 2, 29, 12, 0, 0),   At(2024, 2, 29, 0, 0, 1),
        At(2024, 2, 29, 12, 59, 59), At(2024, 2, 29, 13, 0, 0),
        At(2024, 2, 29, 11, 59, 59), At(9999, 12, 31, 23, 59, 59),
        At(1, 1, 1, 0, 0, 1),        At(1899, 12, 29, 6, 0, 0),
        At(1899, 12, 30, 18, 0, 0),  At(1975, 7, 4, 1, 2, 3),
    };
    // A spread of days and times of day across the years.
    for (TDateTime v = At(1990, 1, 1, 0, 0, 7); v < At(2060, 1, 1); v += 97.0 + 7919.0 / 86400.0)
        values.push_back(v);
    for (const Locale& locale : Locales()) {
        SCOPED_TRACE(locale.name);
        const TFormatSettings& fs = locale.fs;
        for (TDateTime v : values) {
            std::string both = DateTimeToStr(v, fs), date = DateToStr(v, fs),
                        time = TimeToStr(v, fs);
            std::string longDate = FormatDateTime(fs.LongDateFormat, v, fs);
            TDateTime r1 = -1, r2 = -1, r3 = -1, r4 = -1;
            ASSERT_TRUE(TryStrToDateTime(both, r1, fs)) << both;
            ASSERT_TRUE(TryStrToDate(date, r2, fs)) << date;
            ASSERT_TRUE(TryStrToTime(time, r3, fs)) << time;
            ASSERT_TRUE(TryStrToDate(longDate, r4, fs)) << longDate;
            ExpectSameSecond(r1, v);
            EXPECT_EQ(r2, DateOf(v)) << date;
            ExpectSameSecond(r3, TimeOf(v));
            EXPECT_EQ(r4, DateOf(v)) << longDate;
        }
    }
}

TEST_F(DateTimeText, ReadsLenientTimes) {
    TFormatSettings us = TFormatSettings::UnitedStates();
    struct Case {
        const char* text;
        int h, m, s;
    } cases[] = {
        {"10:33:05 AM", 10, 33, 5}, {"10:33 AM", 10, 33, 0},   {"10:33:05 am", 10, 33, 5},
        {"1:02:03 pm", 13, 2, 3},   {"1:2:3 PM", 13, 2, 3},    {"12:00:00 AM", 0, 0, 0},
        {"12:00 PM", 12, 0, 0},     {"12:30:00 am", 0, 30, 0}, {"14:30", 14, 30, 0},
        {"14:30:15", 14, 30, 15},   {"  9:05 PM  ", 21, 5, 0}, {"9:05PM", 21, 5, 0},
        {"9:05 p", 21, 5, 0},       {"PM 9:05", 21, 5, 0},     {"0:00:00", 0, 0, 0},
    };
    for (const Case& c : cases) {
        TDateTime r = -1;
        ASSERT_TRUE(TryStrToTime(c.text, r, us)) << c.text;
        ExpectSameSecond(r, EncodeTime(c.h, c.m, c.s, 0));
    }
    // 24-hour settings take AM/PM too; the Japanese markers are read whole.
    TDateTime r = -1;
    ASSERT_TRUE(TryStrToTime("2:30 PM", r, German()));
    ExpectSameSecond(r, EncodeTime(14, 30, 0, 0));
    TFormatSettings jp = Japanese();
    jp.LongTimeFormat = "tt h:mm:ss";
    ASSERT_TRUE(TryStrToTime(FormatDateTime(jp.LongTimeFormat, 0.75, jp), r, jp));
    ExpectSameSecond(r, 0.75);
    ASSERT_TRUE(TryStrToTime(jp.TimeAMString + " 12:15:00", r, jp));
    ExpectSameSecond(r, EncodeTime(0, 15, 0, 0));
}

TEST_F(DateTimeText, ReadsLenientDates) {
    // The fake clock stands in 2024: two-digit years fall in 1974 to 2073.
    struct Case {
        const char* locale;
        const char* text;
        int y, m, d;
    } cases[] = {
        {"UnitedStates", "12/9/2024", 2024, 12, 9},
        {"UnitedStates", "01/02/2024", 2024, 1, 2},
        {"UnitedStates", "12/9/24", 2024, 12, 9},
        {"UnitedStates", "12/9/73", 2073, 12, 9},
        {"UnitedStates", "12/9/74", 1974, 12, 9},
        {"UnitedStates", " 2/29/2024 ", 2024, 2, 29},
        {"UnitedStates", "monday, december 9, 2024", 2024, 12, 9},
        {"UnitedStates", "Mon, Dec 9, 2024", 2024, 12, 9},
        {"German", "9.12.2024", 2024, 12, 9},
        {"German", "09.12.24", 2024, 12, 9},
        {"German", "Montag, 9. Dezember 2024", 2024, 12, 9},
        {"German", "Mo, 9. Mrz 2024", 2024, 3, 9},
        {"British", "9/12/2024", 2024, 12, 9},
        {"Japanese", "2024/1/9", 2024, 1, 9},
    };
    for (const Case& c : cases) {
        TFormatSettings fs;
        for (const Locale& l : Locales())
            if (std::string(l.name) == c.locale) fs = l.fs;
        TDateTime r = -1;
        ASSERT_TRUE(TryStrToDate(c.text, r, fs)) << c.locale << " " << c.text;
        EXPECT_EQ(r, EncodeDate(c.y, c.m, c.d)) << c.text;
    }
    TDateTime r = -1;
    ASSERT_TRUE(TryStrToDateTime("12/9/2024", r, TFormatSettings::UnitedStates()));
    EXPECT_EQ(r, EncodeDate(2024, 12, 9));
    ASSERT_TRUE(TryStrToDateTime("12/9/24  14:05", r, TFormatSettings::UnitedStates()));
    ExpectSameSecond(r, At(2024, 12, 9, 14, 5, 0));
}

TEST_F(DateTimeText, RejectsGarbageAndLeavesTheResultAlone) {
    TFormatSettings us = TFormatSettings::UnitedStates();
    const char* dates[] = {
        "",           "   ",        "abc",        "13/1/2024",  "2/30/2024",
        "2/29/2023",  "12/9/2024x", "12/9",       "1//2024",    "12-9-2024",
        "0/9/2024",   "12/9/0000",  "12/9/20245", "-12/9/2024", "12/9/2024 10:00:00 AM",
        "123/9/2024", "10:33:05 AM"};
    for (const char* text : dates) {
        TDateTime r = 42;
        EXPECT_FALSE(TryStrToDate(text, r, us)) << text;
        EXPECT_EQ(r, 42) << text;
    }
    const char* times[] = {"",         "10",          "25:00",
                           "24:00:00", "10:60",       "10:33:60",
                           "13:00 PM", "10:33:05 XM", "10:33:05 AMX",
                           "10::05",   "10:33:05:07", "-1:00",
                           "1 0:33",   "12/9/2024",   "10:33:05 AM 12/9/2024",
                           "100:00"};
    for (const char* text : times) {
        TDateTime r = 42;
        EXPECT_FALSE(TryStrToTime(text, r, us)) << text;
        EXPECT_EQ(r, 42) << text;
    }
    const char* dateTimes[] = {"",
                               "12/9/2024 25:00:00",
                               "12/9/2024 10:33:05 AM x",
                               "10:33:05 AM",
                               "12/9/2024 10",
                               "2/30/2024 10:00"};
    for (const char* text : dateTimes) {
        TDateTime r = 42;
        EXPECT_FALSE(TryStrToDateTime(text, r, us)) << text;
        EXPECT_EQ(r, 42) << text;
    }
    // German dates are not read with United States settings and the other way round.
    TDateTime r = 42;
    EXPECT_FALSE(TryStrToDate("31.12.2024", r, us));
    EXPECT_FALSE(TryStrToDate("12/31/2024", r, German()));
    EXPECT_EQ(r, 42);
}

TEST_F(DateTimeText, DefaultSettingsComeFromTheOs) {
    fake.formatSettings = German();
    ResetFormatSettings();
    TDateTime v = At(2024, 12, 9, 22, 0, 0);
    EXPECT_EQ(DateTimeToStr(v), "09.12.2024 22:00:00");
    TDateTime r = 0;
    EXPECT_TRUE(TryStrToDateTime("09.12.2024 22:00:00", r));
    ExpectSameSecond(r, v);
}

}  // namespace
