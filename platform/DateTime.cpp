// Calendar arithmetic and the format settings in force. The text conversions live in
// DateTimeText.cpp.
#include "platform/DateTime.h"

#include <cmath>
#include <memory>
#include <mutex>

#include "platform/Os.h"

namespace {

// Days between 1 January 1970 and 30 December 1899, the zero of TDateTime.
constexpr long long kUnixEpochDays = 25569;
constexpr long long kMsPerDay = 86400000;

// Howard Hinnant's days_from_civil / civil_from_days: days relative to 1970-01-01.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

std::mutex g_settingsMutex;
std::unique_ptr<TFormatSettings> g_settings;

}  // namespace

TFormatSettings TFormatSettings::UnitedStates() {
    TFormatSettings fs;
    fs.ShortDateFormat = "M/d/yyyy";
    fs.LongDateFormat = "dddd, MMMM d, yyyy";
    fs.ShortTimeFormat = "h:mm tt";
    fs.LongTimeFormat = "h:mm:ss tt";
    fs.DateSeparator = '/';
    fs.TimeSeparator = ':';
    fs.TimeAMString = "AM";
    fs.TimePMString = "PM";
    fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    fs.LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                       "Thursday", "Friday", "Saturday"};
    fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};
    return fs;
}

const TFormatSettings& FormatSettings() {
    std::lock_guard<std::mutex> lock(g_settingsMutex);
    if (!g_settings)
        g_settings = std::make_unique<TFormatSettings>(os::Current().UserFormatSettings());
    return *g_settings;
}

void SetFormatSettings(const TFormatSettings& settings) {
    std::lock_guard<std::mutex> lock(g_settingsMutex);
    g_settings = std::make_unique<TFormatSettings>(settings);
}

void ResetFormatSettings() {
    std::lock_guard<std::mutex> lock(g_settingsMutex);
    g_settings.reset();
}

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInAMonth(year, month))
        return false;
    result = static_cast<TDateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kUnixEpochDays);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        msec < 0 || msec > 999)
        return false;
    result = static_cast<TDateTime>(hour * 3600000LL + minute * 60000LL + second * 1000LL + msec) /
             static_cast<TDateTime>(kMsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    return TryEncodeDate(year, month, day, result) ? result : 0;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime result = 0;
    return TryEncodeTime(hour, minute, second, msec, result) ? result : 0;
}

TDateTime DateOf(TDateTime value) {
    return std::trunc(value);
}

TDateTime TimeOf(TDateTime value) {
    return std::fabs(value - std::trunc(value));
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    CivilFromDays(static_cast<long long>(std::trunc(value)) - kUnixEpochDays, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
    long long ms = std::llround(TimeOf(value) * static_cast<double>(kMsPerDay));
    if (ms >= kMsPerDay) ms = kMsPerDay - 1;
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime value) {
    // 30 December 1899 (day 0) was a Saturday.
    long long days = static_cast<long long>(std::trunc(value));
    long long r = ((days + 6) % 7 + 7) % 7;  // 0 Sunday
    return static_cast<int>(r) + 1;
}

TDateTime Now() {
    return os::Current().Now();
}

TDateTime Date() {
    return DateOf(Now());
}
