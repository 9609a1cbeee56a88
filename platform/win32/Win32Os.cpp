// Win32 seam: clock, process, windows and messages, files.
#include "platform/win32/Win32Os.h"

#include <windows.h>

#include <atomic>
#include <vector>

namespace os {

namespace {
std::atomic<WindowHandle> g_applicationWindow{0};
}

Os& System() {
    static Win32Os instance;
    return instance;
}

void win32::SetApplicationWindow(WindowHandle window) {
    g_applicationWindow = window;
}

TDateTime Win32Os::Now() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    return EncodeDate(st.wYear, st.wMonth, st.wDay) +
           EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

void Win32Os::SleepMs(unsigned ms) {
    ::Sleep(ms);
}

std::string Win32Os::ProgramFilePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

bool Win32Os::ComputerName(std::string& name) {
    char buffer[255];
    DWORD size = sizeof buffer;
    if (!::GetComputerNameA(buffer, &size)) return false;
    name.assign(buffer, size);
    return true;
}

bool Win32Os::UserName(std::string& name) {
    char buffer[255];
    DWORD size = sizeof buffer;
    if (!::GetUserNameA(buffer, &size)) return false;
    name = buffer;  // size counts the NUL
    return true;
}

WindowHandle Win32Os::FindTopLevelWindow(const char* className, const char* windowName) {
    // The NT family: search the children of the desktop, i.e. the top-level windows.
    return reinterpret_cast<WindowHandle>(::FindWindowExA(nullptr, nullptr, className, windowName));
}

bool Win32Os::SendCopyData(WindowHandle target, std::uintptr_t dwData, const void* data,
                           std::uint32_t cbData) {
    HWND window = reinterpret_cast<HWND>(target);
    if (!::IsWindow(window)) return false;
    COPYDATASTRUCT cds;
    cds.dwData = dwData;
    cds.cbData = cbData;
    cds.lpData = const_cast<void*>(data);
    ::SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));  // result ignored
    return true;
}

WindowHandle Win32Os::ApplicationWindow() {
    return g_applicationWindow;
}

bool Win32Os::ReplaceFileAtomically(const std::string& source, const std::string& target) {
    return ::MoveFileExA(source.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Os::AppendToFile(const std::string& path, const std::string& data) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = ::SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER;
    DWORD written = 0;
    ok = ok && ::WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
         written == data.size();
    ok = ::CloseHandle(file) && ok;
    return ok;
}

bool Win32Os::FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    FILETIME local;
    if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local)) return false;
    WORD dosDate = 0, dosTime = 0;
    if (!::FileTimeToDosDateTime(&local, &dosDate, &dosTime)) return false;
    dosDateTime = (static_cast<std::uint32_t>(dosDate) << 16) | dosTime;
    return true;
}

}  // namespace os
