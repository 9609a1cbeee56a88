// Posix seam: power requests. (Placeholder: no request is ever made.)
#include "platform/posix/PosixOs.h"

namespace os {

bool PosixOs::IsNtPlatform() { return true; }
void PosixOs::AdjustShutdownPrivilege(bool) {}
void PosixOs::RequestExitWindows(unsigned) {}
void PosixOs::RequestPowerState(bool, bool) {}
void PosixOs::PlaySoundAsync(const std::string&) {}

}  // namespace os
