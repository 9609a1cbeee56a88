// Win32 seam: power requests. (Placeholder: no request is ever made.)
#include "platform/win32/Win32Os.h"

namespace os {

bool Win32Os::IsNtPlatform() { return true; }
void Win32Os::AdjustShutdownPrivilege(bool) {}
void Win32Os::RequestExitWindows(unsigned) {}
void Win32Os::RequestPowerState(bool, bool) {}
void Win32Os::PlaySoundAsync(const std::string&) {}

}  // namespace os
