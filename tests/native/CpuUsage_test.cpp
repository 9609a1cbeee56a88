#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "common/SystemInfo/CpuUsage.h"
#include "tests/support/FakeOs.h"

namespace {

const std::int64_t kSecond = 10000000;  // 100-ns units

// A FakeOs with counters that the test moves forward: `busy` of `processorCount` processors
// work for `seconds`.
struct CpuFake : test::FakeOs {
    void Advance(double seconds, double busy) {
        systemTime += static_cast<std::int64_t>(seconds * kSecond);
        idleTime += static_cast<std::int64_t>((processorCount - busy) * seconds * kSecond);
    }
};

}  // namespace

TEST(CpuUsage, LargeIntToDoubleJoinsSignedHighAndUnsignedLowHalves) {
    struct Case {
        std::int64_t value;
        double expected;
    } cases[] = {
        {0, 0.0},
        {1, 1.0},
        {0xFFFFFFFFLL, 4294967295.0},  // low half unsigned
        {0x100000000LL, 4294967296.0},
        {0x1234567890ABCDEFLL, 1311768467294899695.0},
        {-1, -1.0},  // high half signed
        {-0x100000000LL, -4294967296.0},
        {INT64_MIN, -9223372036854775808.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_DOUBLE_EQ(LargeIntToDouble(c.value), c.expected);
    }
}

TEST(CpuUsage, MeasuresTheShareOfBusyProcessorsPlusAHalf) {
    struct Case {
        int processors;
        double busy;
        double expected;
    } cases[] = {
        {2, 0, 0.5},     // idle two-processor machine
        {2, 1, 50.5},    // one of two fully busy
        {2, 2, 100.5},   // both busy
        {1, 0.3, 30.5},  // 30 percent is returned as 30.5
        {4, 1, 25.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.processors * 100 + c.busy);
        CpuFake fake;
        fake.processorCount = c.processors;
        fake.idleTime = 123 * kSecond;
        fake.systemTime = 13000000000 * kSecond / 1000;  // any time of day
        os::ScopedOs scoped(fake);
        TCpuUsage sampler;
        EXPECT_EQ(sampler.Sample(), 0);  // the first sample only sets the pair
        fake.Advance(1, c.busy);
        EXPECT_NEAR(sampler.Sample(), c.expected, 1e-9);
        fake.Advance(60, c.busy);  // the interval is the one since the previous call
        EXPECT_NEAR(sampler.Sample(), c.expected, 1e-9);
    }
}

TEST(CpuUsage, FailedQueryReturnsZeroAndKeepsThePreviousPair) {
    CpuFake fake;
    fake.idleTime = 500 * kSecond;
    os::ScopedOs scoped(fake);
    TCpuUsage sampler;
    EXPECT_EQ(sampler.Sample(), 0);

    fake.Advance(1, 2);  // fully busy second, then a failed query
    fake.cpuQueryFails = true;
    EXPECT_EQ(sampler.Sample(), 0);
    fake.cpuQueryFails = false;
    fake.Advance(1, 0);  // an idle second: measured from the last good sample, 2 s at 50 %
    EXPECT_NEAR(sampler.Sample(), 50.5, 1e-9);

    fake.Advance(1, 1);
    fake.processorCount = 0;  // the processor count could not be read
    EXPECT_EQ(sampler.Sample(), 0);
    fake.processorCount = 2;
    fake.Advance(1, 2);  // again measured from the last good sample: 2 s, 1.5 processors busy
    EXPECT_NEAR(sampler.Sample(), 75.5, 1e-9);
}

TEST(CpuUsage, NoElapsedTimeRepeatsThePreviousResult) {
    CpuFake fake;
    fake.idleTime = 500 * kSecond;
    fake.systemTime = 1000 * kSecond;
    os::ScopedOs scoped(fake);
    TCpuUsage sampler;
    sampler.Sample();
    fake.Advance(1, 1);
    EXPECT_NEAR(sampler.Sample(), 50.5, 1e-9);

    fake.idleTime += kSecond / 2;  // within one clock tick: no time of day elapsed
    EXPECT_NEAR(sampler.Sample(), 50.5, 1e-9);
    fake.Advance(1, 2);  // the pair was kept: 1 s at 0.5 idle processors of 2
    EXPECT_NEAR(sampler.Sample(), 75.5, 1e-9);

    fake.systemTime -= 3600 * kSecond;  // the clock went back an hour
    EXPECT_NEAR(sampler.Sample(), 75.5, 1e-9);
    fake.Advance(1, 0);  // measured from the moved-back clock
    EXPECT_NEAR(sampler.Sample(), 0.5, 1e-9);
}

TEST(CpuUsage, ProcessWideSamplerStartsAtZero) {
    CpuFake fake;
    fake.idleTime = 7 * kSecond;
    fake.systemTime = 9 * kSecond;
    os::ScopedOs scoped(fake);
    EXPECT_EQ(GetCPUUsage(), 0);  // no other test uses the process-wide sampler
    fake.Advance(1, 1);
    EXPECT_NEAR(GetCPUUsage(), 50.5, 1e-9);
}

// Each query moves the counters one second on, the two processors alternately idle and busy.
// Whole calls that do not overlap each measure one such second: 0.5 or 100.5, never between.
TEST(CpuUsage, ConcurrentCallersSeeConsistentPairs) {
    struct SteppingOs : CpuFake {
        bool busy = false;
        bool QueryCpuTimes(std::int64_t& idle, std::int64_t& system) override {
            std::lock_guard<std::recursive_mutex> lock(mutex);
            busy = !busy;
            Advance(1, busy ? 2 : 0);
            idle = idleTime;
            system = systemTime;
            return true;
        }
    } fake;
    fake.idleTime = kSecond;
    os::ScopedOs scoped(fake);
    TCpuUsage sampler;
    sampler.Sample();
    std::atomic<int> mixed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                double r = sampler.Sample();
                if (r != 0.5 && r != 100.5) ++mixed;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(mixed.load(), 0);
}

TEST(CpuUsagePosixSeam, CountersAreCumulativeAndProcessorsCounted) {
    os::Os& system = os::System();
    EXPECT_EQ(system.ProcessorCount(), static_cast<int>(std::thread::hardware_concurrency()));
    std::int64_t idle1 = 0, time1 = 0, idle2 = 0, time2 = 0;
    ASSERT_TRUE(system.QueryCpuTimes(idle1, time1)) << "/proc/stat could not be read";
    for (volatile int spin = 0; spin < 2000000; spin = spin + 1) {
    }
    ASSERT_TRUE(system.QueryCpuTimes(idle2, time2));
    EXPECT_GT(idle1, 0);
    EXPECT_GE(idle2, idle1);
    EXPECT_GT(time2, time1);
}
