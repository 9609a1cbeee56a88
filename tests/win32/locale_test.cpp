// Our formatting against the system's GetDateFormatA and GetTimeFormatA, with the settings we
// read for the same locale.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/Os.h"
#include "platform/win32/Win32Locale.h"

namespace {

struct Moment {
    int y, mo, d, h, mi, s;
};

const Moment kMoments[] = {
    {2024, 12, 9, 10, 33, 5}, {2024, 2, 29, 0, 0, 0},     {2024, 3, 1, 12, 0, 0},
    {2023, 1, 1, 0, 0, 1},    {1999, 7, 4, 23, 59, 59},   {2026, 11, 15, 12, 59, 0},
    {2030, 6, 22, 9, 5, 7},   {9999, 12, 31, 23, 59, 59}, {1601, 1, 1, 13, 0, 0},
};

const LCID kLocales[] = {0x409, 0x407, 0x809, 0x411};

// Before 30 December 1899 the time of day counts away from zero.
TDateTime ToDateTime(const Moment& m) {
    TDateTime date = EncodeDate(m.y, m.mo, m.d), time = EncodeTime(m.h, m.mi, m.s, 0);
    return date < 0 ? date - time : date + time;
}

SYSTEMTIME ToSystemTime(const Moment& m) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(m.y);
    st.wMonth = static_cast<WORD>(m.mo);
    st.wDay = static_cast<WORD>(m.d);
    st.wDayOfWeek = static_cast<WORD>(DayOfWeek(ToDateTime(m)) - 1);
    st.wHour = static_cast<WORD>(m.h);
    st.wMinute = static_cast<WORD>(m.mi);
    st.wSecond = static_cast<WORD>(m.s);
    return st;
}

// The system's text; a null format asks for the locale's own (flags say which).
std::string SystemDate(LCID lcid, DWORD flags, const SYSTEMTIME& st, const char* format) {
    char buf[256];
    int n = ::GetDateFormatA(lcid, flags | LOCALE_USE_CP_ACP, &st, format, buf, sizeof buf);
    EXPECT_GT(n, 0) << "GetDateFormatA failed, error " << ::GetLastError();
    return n > 0 ? std::string(buf, n - 1) : std::string();
}

std::string SystemTime(LCID lcid, DWORD flags, const SYSTEMTIME& st, const char* format) {
    char buf[256];
    int n = ::GetTimeFormatA(lcid, flags | LOCALE_USE_CP_ACP, &st, format, buf, sizeof buf);
    EXPECT_GT(n, 0) << "GetTimeFormatA failed, error " << ::GetLastError();
    return n > 0 ? std::string(buf, n - 1) : std::string();
}

TEST(Win32Locale, ReadsTheItemsOfFourLocales) {
    // Windows versions (and Wine) differ on leading zeros, so only the order of the fields and
    // the separators are checked; the names must start on Sunday and January.
    struct Case {
        LCID lcid;
        const char *shortDateStart, *longTimeStart, *sunday, *january;
        char dateSeparator;
    } cases[] = {
        {0x409, "M/d/", "h:mm:ss", "Sunday", "January", '/'},
        {0x407, "d", "HH:mm:ss", "Sonntag", "Januar", '.'},
        {0x809, "dd/MM/", "HH:mm:ss", "Sunday", "January", '/'},
        {0x411, "yyyy/", "H:mm:ss", nullptr, nullptr, '/'},  // names not in every code page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lcid);
        TFormatSettings fs = os::win32::FormatSettingsForLocale(c.lcid);
        EXPECT_EQ(fs.ShortDateFormat.rfind(c.shortDateStart, 0), 0u) << fs.ShortDateFormat;
        EXPECT_NE(fs.ShortDateFormat.find(c.dateSeparator), std::string::npos);
        EXPECT_EQ(fs.LongTimeFormat.rfind(c.longTimeStart, 0), 0u) << fs.LongTimeFormat;
        EXPECT_EQ(fs.DateSeparator, c.dateSeparator);
        EXPECT_EQ(fs.TimeSeparator, ':');
        EXPECT_FALSE(fs.ShortTimeFormat.empty());
        EXPECT_EQ(fs.ShortTimeFormat.find('s'), std::string::npos) << fs.ShortTimeFormat;
        if (c.sunday) {
            EXPECT_EQ(fs.LongDayNames[0], c.sunday);
            EXPECT_EQ(fs.LongMonthNames[0], c.january);
        }
    }
    TFormatSettings us = os::win32::FormatSettingsForLocale(0x409);
    EXPECT_EQ(us.LongTimeFormat, "h:mm:ss tt");
    EXPECT_EQ(us.TimeAMString, "AM");
    EXPECT_EQ(us.TimePMString, "PM");
    EXPECT_EQ(us.ShortDayNames[6], "Sat");
    EXPECT_EQ(us.LongDayNames[1], "Monday");
    EXPECT_EQ(us.ShortMonthNames[11], "Dec");
}

TEST(Win32Locale, FormatsAsTheSystemDoesAndReadsItBack) {
    // Without the one-letter year, whose padding differs between Windows and Wine.
    const char* extraDate = "d dd ddd dddd M MM MMM MMMM yy yyyy 'h:m' 'o''clock' ''";
    const char* extraTime = "h hh H HH m mm s ss t tt";
    for (LCID lcid : kLocales) {
        SCOPED_TRACE(lcid);
        TFormatSettings fs = os::win32::FormatSettingsForLocale(lcid);
        for (const Moment& m : kMoments) {
            SCOPED_TRACE(m.y * 10000 + m.mo * 100 + m.d);
            const SYSTEMTIME st = ToSystemTime(m);
            const TDateTime v = ToDateTime(m);
            EXPECT_EQ(DateToStr(v, fs), SystemDate(lcid, DATE_SHORTDATE, st, nullptr));
            EXPECT_EQ(FormatDateTime(fs.LongDateFormat, v, fs),
                      SystemDate(lcid, DATE_LONGDATE, st, nullptr));
            EXPECT_EQ(FormatDateTime(extraDate, v, fs), SystemDate(lcid, 0, st, extraDate));
            EXPECT_EQ(TimeToStr(v, fs), SystemTime(lcid, 0, st, nullptr));
            EXPECT_EQ(FormatDateTime(fs.ShortTimeFormat, v, fs),
                      SystemTime(lcid, 0, st, fs.ShortTimeFormat.c_str()));
            EXPECT_EQ(FormatDateTime(extraTime, v, fs), SystemTime(lcid, 0, st, extraTime));

            std::string text = DateTimeToStr(v, fs);
            TDateTime r = -1;
            ASSERT_TRUE(TryStrToDateTime(text, r, fs)) << text;
            EXPECT_EQ(DateTimeToStr(r, fs), text);
            EXPECT_NEAR(r, v, 0.5 / 86400.0) << text;
            ASSERT_TRUE(TryStrToTime(SystemTime(lcid, 0, st, nullptr), r, fs));
            EXPECT_NEAR(r, TimeOf(v), 0.5 / 86400.0);
            ASSERT_TRUE(TryStrToDate(SystemDate(lcid, DATE_LONGDATE, st, nullptr), r, fs));
            EXPECT_EQ(r, DateOf(v));
        }
    }
}

TEST(Win32Locale, TheSeamGivesTheUsersSettings) {
    TFormatSettings fs = os::System().UserFormatSettings();
    const Moment m = {2024, 12, 9, 22, 4, 5};
    const SYSTEMTIME st = ToSystemTime(m);
    EXPECT_EQ(DateTimeToStr(ToDateTime(m), fs),
              SystemDate(LOCALE_USER_DEFAULT, DATE_SHORTDATE, st, nullptr) + " " +
                  SystemTime(LOCALE_USER_DEFAULT, 0, st, nullptr));
    EXPECT_EQ(os::System().SystemLongDateFormat(),
              os::win32::LocaleItem(LOCALE_SYSTEM_DEFAULT, LOCALE_SLONGDATE, "none"));
    EXPECT_FALSE(os::System().SystemLongDateFormat().empty());
}

}  // namespace
