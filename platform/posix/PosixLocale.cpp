// Posix seam: regional settings. (Placeholder: United States defaults.)
#include "platform/posix/PosixOs.h"

namespace os {

TFormatSettings PosixOs::UserFormatSettings() { return TFormatSettings::UnitedStates(); }
std::string PosixOs::SystemLongDateFormat() { return TFormatSettings::UnitedStates().LongDateFormat; }

}  // namespace os
