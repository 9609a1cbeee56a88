// Posix seam: CPU counters from /proc/stat (idle jiffies of all processors) and the monotonic
// clock, both in 100-ns units.
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/posix/PosixOs.h"

namespace os {

namespace {

const std::int64_t kHundredNsPerSecond = 10000000;

// Jiffies (clock ticks of `ticksPerSecond`) in 100-ns units, without overflow for any uptime.
std::int64_t TicksToHundredNs(unsigned long long ticks, long ticksPerSecond) {
    auto perSecond = static_cast<unsigned long long>(ticksPerSecond);
    return static_cast<std::int64_t>(ticks / perSecond * kHundredNsPerSecond +
                                     ticks % perSecond * kHundredNsPerSecond / perSecond);
}

// The idle and I/O-wait ticks of the summary line "cpu  user nice system idle iowait ...".
bool ReadIdleTicks(unsigned long long& idleTicks) {
    int fd = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[512];
    ssize_t length = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (length <= 0) return false;
    buffer[length] = '\0';
    if (std::strncmp(buffer, "cpu ", 4) != 0) return false;
    const char* p = buffer + 4;
    unsigned long long fields[5];
    for (auto& field : fields) {
        char* end = nullptr;
        field = std::strtoull(p, &end, 10);
        if (end == p) return false;
        p = end;
    }
    idleTicks = fields[3] + fields[4];
    return true;
}

}  // namespace

int PosixOs::ProcessorCount() {
    static const int count = [] {
        long online = ::sysconf(_SC_NPROCESSORS_ONLN);
        return online > 0 ? static_cast<int>(online) : 0;
    }();
    return count;
}

bool PosixOs::QueryCpuTimes(std::int64_t& idleTime, std::int64_t& systemTime) {
    long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
    unsigned long long idleTicks = 0;
    timespec now{};
    if (ticksPerSecond <= 0 || !ReadIdleTicks(idleTicks) ||
        ::clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return false;
    idleTime = TicksToHundredNs(idleTicks, ticksPerSecond);
    systemTime = static_cast<std::int64_t>(now.tv_sec) * kHundredNsPerSecond + now.tv_nsec / 100;
    return true;
}

}  // namespace os
