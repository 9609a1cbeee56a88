// POSIX seam: clock, process, windows and messages, files. There are no windows here: window
// searches find nothing and messages are not sent.
#include "platform/posix/PosixOs.h"

#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace os {

Os& System() {
    static PosixOs instance;
    return instance;
}

TDateTime PosixOs::Now() {
    timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm local;
    ::localtime_r(&ts.tv_sec, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec,
                      static_cast<int>(ts.tv_nsec / 1000000));
}

void PosixOs::SleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string PosixOs::ProgramFilePath() {
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    return std::string(buffer.data(), static_cast<size_t>(n));
}

bool PosixOs::ComputerName(std::string& name) {
    char buffer[255];
    if (::gethostname(buffer, sizeof buffer) != 0) return false;
    buffer[sizeof buffer - 1] = '\0';
    name = buffer;
    return true;
}

bool PosixOs::UserName(std::string& name) {
    passwd entry;
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return false;
    name = found->pw_name;
    return name.size() < 255;
}

WindowHandle PosixOs::FindTopLevelWindow(const char*, const char*) {
    return 0;
}

bool PosixOs::SendCopyData(WindowHandle, std::uintptr_t, const void*, std::uint32_t) {
    return false;
}

WindowHandle PosixOs::ApplicationWindow() {
    return 0;
}

bool PosixOs::ReplaceFileAtomically(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool PosixOs::AppendToFile(const std::string& path, const std::string& data) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    ok = std::fclose(file) == 0 && ok;
    return ok;
}

bool PosixOs::FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    tm local;
    if (!::localtime_r(&st.st_mtime, &local)) return false;
    int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return false;
    std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) |
                                                    ((local.tm_mon + 1) << 5) | local.tm_mday);
    std::uint32_t time = static_cast<std::uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                                    (local.tm_sec / 2));
    dosDateTime = (date << 16) | time;
    return true;
}

}  // namespace os
