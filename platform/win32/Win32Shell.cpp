// Win32 seam: shell, message boxes, registry, mutexes. (Placeholder.)
#include "platform/win32/Win32Os.h"

namespace os {

int Win32Os::ShellOpen(WindowHandle, const char*, const char*, const char*, const char*, int) {
    return 2;
}
void Win32Os::ShowMessageBox(WindowHandle, const std::string&, const std::string&, unsigned) {}
bool Win32Os::RegKeyExists(RegRoot, const std::string&) { return false; }
bool Win32Os::RegWriteDword(RegRoot, const std::string&, const std::string&, std::uint32_t) {
    return false;
}
bool Win32Os::RegWriteString(RegRoot, const std::string&, const std::string&, const std::string&) {
    return false;
}
bool Win32Os::RegReadDword(RegRoot, const std::string&, const std::string&, std::uint32_t&) {
    return false;
}
bool Win32Os::NamedMutexExists(const std::string&) { return false; }

}  // namespace os
