// Posix seam: regional settings. Native builds use the fixed United States settings, so that
// what they write does not depend on the host's locale.
#include "platform/posix/PosixOs.h"

namespace os {

TFormatSettings PosixOs::UserFormatSettings() {
    return TFormatSettings::UnitedStates();
}

std::string PosixOs::SystemLongDateFormat() {
    return TFormatSettings::UnitedStates().LongDateFormat;
}

}  // namespace os
