// Win32 seam: regional settings, read with GetLocaleInfoA.
#include <windows.h>

#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32Os.h"

namespace {

// The long time format without its seconds and the separator before them, for systems that
// have no short time format: "h:mm:ss tt" gives "h:mm tt".
std::string WithoutSeconds(const std::string& format) {
    size_t s = format.find('s');
    if (s == std::string::npos) return format;
    size_t end = s;
    while (end < format.size() && format[end] == 's') ++end;
    size_t begin = s;
    while (begin > 0 && format[begin - 1] != 'm' && format[begin - 1] != 'h' &&
           format[begin - 1] != 'H')
        --begin;
    return format.substr(0, begin) + format.substr(end);
}

}  // namespace

namespace os::win32 {

std::string LocaleItem(std::uint32_t lcid, std::uint32_t type, const std::string& fallback) {
    const LCTYPE lctype = type | LOCALE_USE_CP_ACP;
    int size = ::GetLocaleInfoA(lcid, lctype, nullptr, 0);
    if (size <= 1) return fallback;  // the size counts the terminating zero
    std::string text(static_cast<size_t>(size), '\0');
    int written = ::GetLocaleInfoA(lcid, lctype, &text[0], size);
    if (written <= 1) return fallback;
    text.resize(static_cast<size_t>(written - 1));
    return text;
}

TFormatSettings FormatSettingsForLocale(std::uint32_t lcid) {
    const TFormatSettings us = TFormatSettings::UnitedStates();
    TFormatSettings fs;
    fs.ShortDateFormat = LocaleItem(lcid, LOCALE_SSHORTDATE, us.ShortDateFormat);
    fs.LongDateFormat = LocaleItem(lcid, LOCALE_SLONGDATE, us.LongDateFormat);
    fs.LongTimeFormat = LocaleItem(lcid, LOCALE_STIMEFORMAT, us.LongTimeFormat);
    fs.ShortTimeFormat = LocaleItem(lcid, LOCALE_SSHORTTIME, WithoutSeconds(fs.LongTimeFormat));
    fs.DateSeparator = LocaleItem(lcid, LOCALE_SDATE, std::string(1, us.DateSeparator))[0];
    fs.TimeSeparator = LocaleItem(lcid, LOCALE_STIME, std::string(1, us.TimeSeparator))[0];
    // A locale without AM/PM markers (24-hour clocks) gives empty texts; they stay empty.
    fs.TimeAMString = LocaleItem(lcid, LOCALE_S1159, std::string());
    fs.TimePMString = LocaleItem(lcid, LOCALE_S2359, std::string());
    // LOCALE_SDAYNAME1 is Monday, LOCALE_SDAYNAME7 Sunday; our arrays begin with Sunday.
    for (int i = 0; i < 7; ++i) {
        const int fromMonday = (i + 6) % 7;
        fs.LongDayNames[i] = LocaleItem(lcid, LOCALE_SDAYNAME1 + fromMonday, us.LongDayNames[i]);
        fs.ShortDayNames[i] =
            LocaleItem(lcid, LOCALE_SABBREVDAYNAME1 + fromMonday, us.ShortDayNames[i]);
    }
    for (int i = 0; i < 12; ++i) {
        fs.LongMonthNames[i] = LocaleItem(lcid, LOCALE_SMONTHNAME1 + i, us.LongMonthNames[i]);
        fs.ShortMonthNames[i] =
            LocaleItem(lcid, LOCALE_SABBREVMONTHNAME1 + i, us.ShortMonthNames[i]);
    }
    return fs;
}

}  // namespace os::win32

namespace os {

TFormatSettings Win32Os::UserFormatSettings() {
    return win32::FormatSettingsForLocale(LOCALE_USER_DEFAULT);
}

std::string Win32Os::SystemLongDateFormat() {
    return win32::LocaleItem(LOCALE_SYSTEM_DEFAULT, LOCALE_SLONGDATE,
                             TFormatSettings::UnitedStates().LongDateFormat);
}

}  // namespace os
