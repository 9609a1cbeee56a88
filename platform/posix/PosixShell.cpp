// POSIX seam: shell, message boxes, registry, named mutexes. There is no shell, no message box
// and no registry here: the shell call fails with "file not found" (2), boxes are not shown, and
// every registry read and write fails. Named mutexes are known within this process only.
#include <mutex>
#include <set>

#include "platform/posix/PosixOs.h"

namespace os {

namespace {
std::mutex g_mutexesLock;
std::set<std::string>& Mutexes() {
    static std::set<std::string> names;
    return names;
}
}  // namespace

int PosixOs::ShellOpen(WindowHandle, const char*, const char*, const char*, const char*, int) {
    return 2;
}

void PosixOs::ShowMessageBox(WindowHandle, const std::string&, const std::string&, unsigned) {}

bool PosixOs::RegKeyExists(RegRoot, const std::string&) {
    return false;
}

bool PosixOs::RegOpenOrCreateKey(RegRoot, const std::string&) {
    return false;
}

bool PosixOs::RegWriteDword(RegRoot, const std::string&, const std::string&, std::uint32_t) {
    return false;
}

bool PosixOs::RegWriteString(RegRoot, const std::string&, const std::string&, const std::string&) {
    return false;
}

bool PosixOs::RegReadDword(RegRoot, const std::string&, const std::string&, std::uint32_t&) {
    return false;
}

bool PosixOs::NamedMutexExists(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_mutexesLock);
    return Mutexes().count(name) != 0;
}

MutexClaim PosixOs::ClaimNamedMutex(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_mutexesLock);
    return Mutexes().insert(name).second ? MutexClaim::Claimed : MutexClaim::AlreadyExists;
}

void PosixOs::ReleaseNamedMutex(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_mutexesLock);
    Mutexes().erase(name);
}

}  // namespace os
