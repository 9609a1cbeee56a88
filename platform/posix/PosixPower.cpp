// POSIX seam: power requests. The native build serves tests and tools only, so it never powers
// the machine off: every request does nothing, and the privilege step has nothing to enable.
#include "platform/posix/PosixOs.h"

namespace os {

bool PosixOs::IsNtPlatform() {
    return true;
}
void PosixOs::AdjustShutdownPrivilege(bool) {}
void PosixOs::RequestExitWindows(unsigned) {}
void PosixOs::RequestPowerState(bool, bool) {}
void PosixOs::PlaySoundAsync(const std::string&) {}

}  // namespace os
