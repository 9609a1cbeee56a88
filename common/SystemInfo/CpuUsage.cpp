#include "common/SystemInfo/CpuUsage.h"

#include "platform/Os.h"

double LargeIntToDouble(std::int64_t value) {
    auto high = static_cast<std::int32_t>(static_cast<std::uint64_t>(value) >> 32);
    auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
    return high * 4294967296.0 + low;
}

double TCpuUsage::Sample() {
    std::lock_guard<std::mutex> lock(mutex_);
    os::Os& system = os::Current();
    std::int64_t idleTime = 0, systemTime = 0;
    if (!system.QueryCpuTimes(idleTime, systemTime)) return 0;  // the pair stays as it was

    double result = 0;
    if (previousIdleTime_ != 0) {  // not the first sample
        int processors = system.ProcessorCount();
        if (processors <= 0) return 0;  // the pair stays as it was
        double idle = LargeIntToDouble(idleTime) - LargeIntToDouble(previousIdleTime_);
        double elapsed = LargeIntToDouble(systemTime) - LargeIntToDouble(previousSystemTime_);
        if (elapsed == 0) return previousResult_;  // measure from the last sample next time
        if (elapsed < 0) {
            // The clock went back: no ratio can be formed; start again from here.
            previousIdleTime_ = idleTime;
            previousSystemTime_ = systemTime;
            return previousResult_;
        }
        double ratio = idle / elapsed;
        result = 100 - ratio * 100 / processors + 0.5;
        previousResult_ = result;
    }
    previousIdleTime_ = idleTime;
    previousSystemTime_ = systemTime;
    return result;
}

double GetCPUUsage() {
    static TCpuUsage sampler;
    return sampler.Sample();
}
