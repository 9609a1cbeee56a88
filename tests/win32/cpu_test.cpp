// The CPU counters against the real NtQuerySystemInformation, and the sampler over them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "common/SystemInfo/CpuUsage.h"
#include "platform/Os.h"

namespace {

using QueryFn = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
const LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

QueryFn Query() {
    auto fn = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    EXPECT_NE(fn, nullptr);
    return fn;
}

std::int64_t FileTimeNow() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    return (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

}  // namespace

// On x86_64 the basic record is 64 bytes with the processor count at offset 56; the 32-bit
// record's 44 bytes are refused.
TEST(Win32Cpu, BasicInformationHasTheX64Layout) {
    QueryFn query = Query();
    ASSERT_NE(query, nullptr);
    alignas(8) unsigned char buffer[128] = {};
    EXPECT_EQ(query(0, buffer, 44, nullptr), kStatusInfoLengthMismatch);
    ASSERT_EQ(query(0, buffer, 64, nullptr), 0);
    SYSTEM_INFO si;
    ::GetSystemInfo(&si);
    EXPECT_EQ(buffer[56], si.dwNumberOfProcessors);
    EXPECT_EQ(os::System().ProcessorCount(), static_cast<int>(si.dwNumberOfProcessors));
}

TEST(Win32Cpu, TimeOfDayAndIdleTimeAtOffsetZeroAndEight) {
    QueryFn query = Query();
    ASSERT_NE(query, nullptr);
    alignas(8) unsigned char timeOfDay[48] = {};
    ASSERT_EQ(query(3, timeOfDay, sizeof timeOfDay, nullptr), 0);
    std::int64_t current;
    std::memcpy(&current, timeOfDay + 8, sizeof current);
    EXPECT_NEAR(static_cast<double>(current), static_cast<double>(FileTimeNow()), 2e7);  // 2 s

    std::int64_t idle1 = 0, time1 = 0, idle2 = 0, time2 = 0;
    ASSERT_TRUE(os::System().QueryCpuTimes(idle1, time1));
    EXPECT_NEAR(static_cast<double>(time1), static_cast<double>(FileTimeNow()), 2e7);
    EXPECT_GT(idle1, 0);
    ::Sleep(50);
    ASSERT_TRUE(os::System().QueryCpuTimes(idle2, time2));
    EXPECT_GE(idle2, idle1);
    EXPECT_GT(time2, time1);
}

TEST(Win32Cpu, TwoSamplesASecondApart) {
    EXPECT_EQ(GetCPUUsage(), 0);  // the first call in this process
    ::Sleep(1000);
    double usage = GetCPUUsage();
    EXPECT_GE(usage, 0);
    EXPECT_LE(usage, 101);
    std::printf("CPU usage over one second: %.2f\n", usage);
}
