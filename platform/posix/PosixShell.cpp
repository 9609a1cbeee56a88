// Posix seam: shell, message boxes, registry, mutexes. (Placeholder.)
#include "platform/posix/PosixOs.h"

namespace os {

int PosixOs::ShellOpen(WindowHandle, const char*, const char*, const char*, const char*, int) {
    return 2;
}
void PosixOs::ShowMessageBox(WindowHandle, const std::string&, const std::string&, unsigned) {}
bool PosixOs::RegKeyExists(RegRoot, const std::string&) { return false; }
bool PosixOs::RegWriteDword(RegRoot, const std::string&, const std::string&, std::uint32_t) {
    return false;
}
bool PosixOs::RegWriteString(RegRoot, const std::string&, const std::string&, const std::string&) {
    return false;
}
bool PosixOs::RegReadDword(RegRoot, const std::string&, const std::string&, std::uint32_t&) {
    return false;
}
bool PosixOs::NamedMutexExists(const std::string&) { return false; }

}  // namespace os
