#pragma once
// Date-times as doubles counting days since 30 December 1899, the time of day being the
// fraction, and their conversion to and from text in the user's regional formats.
//
// Formats are Windows locale patterns: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, h hh H HH,
// m mm, s ss, t tt, text in single quotes, every other character literal.

#include <array>
#include <string>

using TDateTime = double;

struct TFormatSettings {
    std::string ShortDateFormat;
    std::string LongDateFormat;
    std::string ShortTimeFormat;
    std::string LongTimeFormat;
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string TimeAMString;
    std::string TimePMString;
    std::array<std::string, 7> ShortDayNames;  // [0] is Sunday
    std::array<std::string, 7> LongDayNames;
    std::array<std::string, 12> ShortMonthNames;  // [0] is January
    std::array<std::string, 12> LongMonthNames;

    // The United States defaults: M/d/yyyy, dddd, MMMM d, yyyy, h:mm:ss tt, English names.
    static TFormatSettings UnitedStates();
};

// The format settings in force: the user's, read once from the OS seam, unless a test set
// others. SetFormatSettings is not for use while other threads convert dates.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& settings);
void ResetFormatSettings();  // forget the cached or set ones; the next use reads the OS again

// Calendar arithmetic (proleptic Gregorian, years 1 to 9999).
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);                // 0 when the date is invalid
TDateTime EncodeTime(int hour, int minute, int second, int msec);  // 0 when invalid
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
int DayOfWeek(TDateTime value);     // 1 Sunday .. 7 Saturday
TDateTime DateOf(TDateTime value);  // the date part (truncation towards zero)
TDateTime TimeOf(TDateTime value);  // the time of day as a fraction 0 <= t < 1

// The clock, through the OS seam.
TDateTime Now();
TDateTime Date();  // today at midnight

// Text conversions. Each Try function returns false and leaves result alone when the text does
// not match; what the formatters write, the parsers read back to the same value (to the second).
//
// Formatting: y is the year's last two digits without a leading zero, yy the same with one,
// yyy and longer the year in four digits; t is the first byte of the AM/PM text, tt the whole; g
// (era) writes nothing; inside quoted text '' is a quote. A value that is not finite or lies
// outside the years 1 to 9999 gives an empty string.
//
// Parsing: the text, trimmed of spaces, must match a whole pattern: for dates the short date
// format, then the long date format; for times the long time format, the short time format,
// then h:m, h:m:s with AM/PM after or before and H:m, H:m:s (with the time separator or a
// colon). Numbers may have one or two digits (the year up to four); names and AM/PM (also the
// English AM, PM, A and P) are compared without regard to the case of ASCII letters; day names
// are read over; a space in the pattern stands for any run of spaces, or none except between
// two numbers. 12 AM is midnight, 12 PM noon; without AM/PM the hour counts 0 to 23. A year of
// one or two digits falls in the hundred years from 50 years before the current year. A date
// alone reads as midnight of that date for TryStrToDateTime. Before 30 December 1899 the time
// of day is subtracted from the (negative) day number, as DecodeTime reads it back.
std::string FormatDateTime(const std::string& format, TDateTime value,
                           const TFormatSettings& fs = FormatSettings());
std::string DateToStr(TDateTime value, const TFormatSettings& fs = FormatSettings());
std::string TimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings());
// Short date, a space and long time; the time and the space are left out at exactly midnight.
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs = FormatSettings());
bool TryStrToDate(const std::string& text, TDateTime& result,
                  const TFormatSettings& fs = FormatSettings());
bool TryStrToTime(const std::string& text, TDateTime& result,
                  const TFormatSettings& fs = FormatSettings());
bool TryStrToDateTime(const std::string& text, TDateTime& result,
                      const TFormatSettings& fs = FormatSettings());
