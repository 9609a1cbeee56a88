#pragma once
// A FakeOs whose clock several threads can share. Time stands still while any live TThread is
// running; it moves only in RunUntil/RunFor, which advance it to the earliest wake-up of the
// sleeping threads, let those threads run their cycle, and go on until every live thread sleeps
// past the target. So a once-a-second loop of many threads runs in virtual time, each thread
// seeing every second.
//
// It also keeps every appended file in memory (the event log, the power-simulation file), feeds
// CPU counters that make GetCPUUsage return a chosen sample, and records string messages.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/FakeOs.h"

namespace test {

class VirtualClockOs : public FakeOs {
  public:
    explicit VirtualClockOs(TDateTime start);

    // Sets the clock; only while no thread sleeps.
    void SetNow(TDateTime value);
    // Advances virtual time to Target (see above); returns with every live thread asleep.
    // Fails the test (and returns) when the threads don't come to rest within a few real seconds.
    void RunUntil(TDateTime target);
    void RunFor(double seconds);
    // Advances virtual time a second at a time until no TThread lives; false after maxSeconds.
    bool RunUntilAllEnded(double maxSeconds = 10);

    TDateTime Now() override;
    void SleepMs(unsigned ms) override;

    bool AppendToFile(const std::string& path, const std::string& data) override;
    // What was appended to Path, in order.
    std::string FileText(const std::string& path);
    // The event log's entries without their "date time user " prefix, split at CR LF.
    std::vector<std::string> LogEntries();
    // The lines of the power-simulation file, split at LF.
    std::vector<std::string> SimulatedRequests(const std::string& path);

    // The usage GetCPUUsage reports at a virtual moment (default 0.5, an idle machine).
    std::function<double(TDateTime)> cpuSample;
    bool QueryCpuTimes(std::int64_t& idle, std::int64_t& system) override;

    // The handle a search for the trace viewer ("Debug Server") finds; 0: none runs.
    os::WindowHandle debugServer = 0;
    os::WindowHandle FindTopLevelWindow(const char* className, const char* windowName) override;
    // The trace lines sent to debugServer that contain Text.
    int CountTraces(const std::string& text);

    struct CopyDataCall {
        os::WindowHandle target;
        std::string text;
    };
    std::vector<CopyDataCall> copyDataCalls;
    bool SendCopyData(os::WindowHandle target, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override;

  private:
    std::int64_t ParkedCount() const;  // under m_clockMutex
    bool WaitForRest(std::unique_lock<std::mutex>& lock);

    std::mutex m_clockMutex;
    std::condition_variable m_wake;     // sleepers wait for the clock
    std::condition_variable m_settled;  // the driver waits for sleepers
    TDateTime m_base;
    std::int64_t m_ms = 0;  // virtual milliseconds since m_base
    std::multiset<std::int64_t> m_sleepers;

    std::mutex m_filesMutex;
    std::map<std::string, std::string> m_files;
};

}  // namespace test
