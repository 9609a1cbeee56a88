#pragma once
// CPU usage in percent since the previous call, from the OS's cumulative idle and system time.

#include <cstdint>
#include <mutex>

// 0 on the first call and on any failure; otherwise 100 - idle share x 100 / processors + 0.5,
// neither rounded nor clamped. One process-wide sampler: every caller moves it forward.
double GetCPUUsage();

// A 64-bit counter as high half (signed) x 4294967296.0 + low half (unsigned).
double LargeIntToDouble(std::int64_t value);

// The sampler behind GetCPUUsage, fed by os::Current().ProcessorCount() and QueryCpuTimes().
// Calls are serialized; the previous idle and system times are read and written as one pair.
class TCpuUsage {
  public:
    // As GetCPUUsage. When no time has elapsed since the previous sample, the previous result
    // is returned again and the pair is kept; when the clock went back, the previous result is
    // returned and the pair restarts from the current counters.
    double Sample();

  private:
    std::mutex mutex_;
    std::int64_t previousIdleTime_ = 0;    // 100-ns units; 0 before the first sample
    std::int64_t previousSystemTime_ = 0;  // 100-ns units; 0 before the first sample
    double previousResult_ = 0;            // the last measured result
};
