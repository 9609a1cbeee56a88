// Win32 seam: the shutdown privilege, the power requests and the sound alarm. Only
// DoShutdownBehavior (engine) calls the requests, and it never does while
// VESPERON_SIMULATE_POWER names a file.
#include <windows.h>

#include <mmsystem.h>

#include "platform/win32/Win32Os.h"

namespace os {

bool Win32Os::IsNtPlatform() {
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;  // the 148-byte record
    BOOL ok = ::GetVersionExA(&info);
    return ok && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void Win32Os::AdjustShutdownPrivilege(bool enable) {
    // Every failure here is ignored on purpose: the power request is made all the same, and the
    // system refuses it when the privilege is missing.
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES state;
    ZeroMemory(&state, sizeof state);
    if (::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &state.Privileges[0].Luid)) {
        state.PrivilegeCount = 1;
        state.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        TOKEN_PRIVILEGES previous;
        DWORD previousSize = sizeof previous;
        ::AdjustTokenPrivileges(token, FALSE, &state, sizeof state, &previous, &previousSize);
    }
    ::CloseHandle(token);
}

void Win32Os::RequestExitWindows(unsigned flags) {
    ::ExitWindowsEx(flags, 0);  // the result is ignored on purpose
}

void Win32Os::RequestPowerState(bool suspend, bool force) {
    ::SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE);  // result ignored
}

void Win32Os::PlaySoundAsync(const std::string& name) {
    // SND_ASYNC alone: the name is tried as a system sound first, then as a file; a sound that
    // can't be found is not reported.
    ::PlaySoundA(name.c_str(), nullptr, SND_ASYNC);
}

}  // namespace os
