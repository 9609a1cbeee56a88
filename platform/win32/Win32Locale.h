#pragma once
// Regional settings of a given Windows locale, for the seam and for tests.

#include <cstdint>
#include <string>

#include "platform/DateTime.h"

namespace os::win32 {

// The formats, separators, AM/PM texts and day and month names of the locale (an LCID such as
// 0x409, or LOCALE_USER_DEFAULT), in the system's ANSI code page; an item the locale does not
// give keeps its United States default.
TFormatSettings FormatSettingsForLocale(std::uint32_t lcid);

// One locale item as ANSI text; fallback when the locale does not give it.
std::string LocaleItem(std::uint32_t lcid, std::uint32_t type, const std::string& fallback);

}  // namespace os::win32
