// Win32 seam: regional settings. (Placeholder: United States defaults.)
#include "platform/win32/Win32Os.h"

namespace os {

TFormatSettings Win32Os::UserFormatSettings() { return TFormatSettings::UnitedStates(); }
std::string Win32Os::SystemLongDateFormat() { return TFormatSettings::UnitedStates().LongDateFormat; }

}  // namespace os
