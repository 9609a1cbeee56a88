// Win32 seam: CPU counters from NtQuerySystemInformation of ntdll.dll, looked up once.
#include <windows.h>

#include <cstddef>

#include "platform/win32/Win32Os.h"

namespace os {

namespace {

// The information classes used, with the x86_64 layouts of their records.
enum : ULONG {
    kSystemBasicInformation = 0,
    kSystemPerformanceInformation = 2,
    kSystemTimeOfDayInformation = 3,
};

struct SystemBasicInformation {
    ULONG Reserved;
    ULONG TimerResolution;
    ULONG PageSize;
    ULONG NumberOfPhysicalPages;
    ULONG LowestPhysicalPageNumber;
    ULONG HighestPhysicalPageNumber;
    ULONG AllocationGranularity;
    ULONG_PTR MinimumUserModeAddress;
    ULONG_PTR MaximumUserModeAddress;
    ULONG_PTR ActiveProcessorsAffinityMask;
    CCHAR NumberOfProcessors;
};
static_assert(sizeof(SystemBasicInformation) == 64, "x86_64 record: 64 bytes");
static_assert(offsetof(SystemBasicInformation, NumberOfProcessors) == 56, "x86_64 layout");

// The part every Windows version fills: four 64-bit counters and seventy 32-bit ones. Later
// versions append fields; the kernel tells their length in the returned size.
struct SystemPerformanceInformation {
    LARGE_INTEGER IdleProcessTime;
    LARGE_INTEGER IoTransferCounts[3];
    ULONG Counters[70];
};
static_assert(sizeof(SystemPerformanceInformation) == 312, "no pointer-sized fields");

struct SystemTimeOfDayInformation {
    LARGE_INTEGER BootTime;
    LARGE_INTEGER CurrentTime;
    LARGE_INTEGER TimeZoneBias;
    ULONG TimeZoneId;
    ULONG Reserved;
    ULONGLONG BootTimeBias;
    ULONGLONG SleepTimeBias;
};
static_assert(sizeof(SystemTimeOfDayInformation) == 48, "x86_64 record: 48 bytes");
static_assert(offsetof(SystemTimeOfDayInformation, CurrentTime) == 8, "x86_64 layout");
// Kernels before the two bias fields take the record without them.
const ULONG kShortTimeOfDayLength = offsetof(SystemTimeOfDayInformation, BootTimeBias);

using QuerySystemInformationFn = LONG(WINAPI*)(ULONG infoClass, void* buffer, ULONG length,
                                               ULONG* returnLength);
const LONG kStatusSuccess = 0;
const LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

// Room for the longest performance record any kernel returns; lives on the caller's stack.
union PerformanceBuffer {
    SystemPerformanceInformation info;
    unsigned char bytes[1024];
};

struct CpuQueries {
    QuerySystemInformationFn query = nullptr;
    int processorCount = 0;  // 0 when the basic query failed
    ULONG performanceLength = sizeof(SystemPerformanceInformation);
    ULONG timeOfDayLength = sizeof(SystemTimeOfDayInformation);
};

CpuQueries LoadCpuQueries() {
    CpuQueries q;
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (!ntdll) return q;
    q.query = reinterpret_cast<QuerySystemInformationFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (!q.query) return q;  // no counters: every query fails

    SystemBasicInformation basic{};
    if (q.query(kSystemBasicInformation, &basic, sizeof basic, nullptr) == kStatusSuccess)
        q.processorCount = static_cast<unsigned char>(basic.NumberOfProcessors);

    // Learn the record lengths this kernel takes, once.
    PerformanceBuffer performance;
    ULONG returned = 0;
    if (q.query(kSystemPerformanceInformation, &performance, q.performanceLength, &returned) ==
            kStatusInfoLengthMismatch &&
        returned > q.performanceLength && returned <= sizeof performance)
        q.performanceLength = returned;
    SystemTimeOfDayInformation timeOfDay{};
    if (q.query(kSystemTimeOfDayInformation, &timeOfDay, q.timeOfDayLength, nullptr) ==
        kStatusInfoLengthMismatch)
        q.timeOfDayLength = kShortTimeOfDayLength;
    return q;
}

const CpuQueries& Queries() {
    static const CpuQueries queries = LoadCpuQueries();
    return queries;
}

std::int64_t ToInt64(const LARGE_INTEGER& value) {
    return value.QuadPart;
}

}  // namespace

int Win32Os::ProcessorCount() {
    return Queries().processorCount;
}

bool Win32Os::QueryCpuTimes(std::int64_t& idleTime, std::int64_t& systemTime) {
    const CpuQueries& q = Queries();
    if (!q.query) return false;
    SystemTimeOfDayInformation timeOfDay{};
    if (q.query(kSystemTimeOfDayInformation, &timeOfDay, q.timeOfDayLength, nullptr) !=
        kStatusSuccess)
        return false;
    PerformanceBuffer performance;
    if (q.query(kSystemPerformanceInformation, &performance, q.performanceLength, nullptr) !=
        kStatusSuccess)
        return false;
    idleTime = ToInt64(performance.info.IdleProcessTime);
    systemTime = ToInt64(timeOfDay.CurrentTime);
    return true;
}

}  // namespace os
