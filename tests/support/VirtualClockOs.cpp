#include "tests/support/VirtualClockOs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "common/CommUnit.h"
#include "platform/Thread.h"

namespace test {

namespace {
constexpr double kMsPerDay = 86400000.0;

// CPU counters shared by every instance, so that the process-wide sampler always sees them grow.
std::mutex g_cpuMutex;
std::int64_t g_idle = 1000000000000000LL, g_system = 1000000000000000LL;
std::int64_t g_lastSampleMs = -1;

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + separator.size();
    }
    return parts;
}
}  // namespace

VirtualClockOs::VirtualClockOs(TDateTime start) : m_base(start) {
    cpuSample = [](TDateTime) { return 0.5; };
}

void VirtualClockOs::SetNow(TDateTime value) {
    std::lock_guard<std::mutex> lock(m_clockMutex);
    m_base = value;
    m_ms = 0;
}

TDateTime VirtualClockOs::Now() {
    std::lock_guard<std::mutex> lock(m_clockMutex);
    return m_base + m_ms / kMsPerDay;
}

void VirtualClockOs::SleepMs(unsigned ms) {
    std::unique_lock<std::mutex> lock(m_clockMutex);
    const std::int64_t wake = m_ms + ms;
    auto entry = m_sleepers.insert(wake);
    m_settled.notify_all();
    m_wake.wait(lock, [&] { return m_ms >= wake; });
    m_sleepers.erase(entry);
}

std::int64_t VirtualClockOs::ParkedCount() const {
    std::int64_t parked = 0;
    for (std::int64_t wake : m_sleepers)
        if (wake > m_ms) ++parked;
    return parked;
}

bool VirtualClockOs::WaitForRest(std::unique_lock<std::mutex>& lock) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ParkedCount() != TThread::LiveCount()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "threads did not come to rest: " << TThread::LiveCount() << " live, "
                          << ParkedCount() << " asleep";
            return false;
        }
        // Threads also end without sleeping, so look again every millisecond.
        m_settled.wait_for(lock, std::chrono::milliseconds(1));
    }
    return true;
}

void VirtualClockOs::RunUntil(TDateTime target) {
    const std::int64_t targetMs = std::llround((target - m_base) * kMsPerDay);
    std::unique_lock<std::mutex> lock(m_clockMutex);
    for (;;) {
        if (!WaitForRest(lock)) return;
        if (m_sleepers.empty() || *m_sleepers.begin() > targetMs) {
            if (targetMs > m_ms) m_ms = targetMs;
            return;
        }
        m_ms = *m_sleepers.begin();
        m_wake.notify_all();
    }
}

void VirtualClockOs::RunFor(double seconds) {
    RunUntil(Now() + seconds / 86400.0);
}

bool VirtualClockOs::RunUntilAllEnded(double maxSeconds) {
    for (double s = 0; s < maxSeconds; ++s) {
        if (TThread::LiveCount() == 0) return true;
        RunFor(1);
    }
    return TThread::LiveCount() == 0;
}

bool VirtualClockOs::AppendToFile(const std::string& path, const std::string& data) {
    std::lock_guard<std::mutex> lock(m_filesMutex);
    m_files[path] += data;
    return true;
}

std::string VirtualClockOs::FileText(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_filesMutex);
    return m_files[path];
}

std::vector<std::string> VirtualClockOs::LogEntries() {
    std::vector<std::string> entries;
    const std::string marker = " " + userName + " ";
    for (const std::string& line : Split(FileText(GetLogFilePath()), "\r\n")) {
        std::size_t at = line.find(marker);
        entries.push_back(at == std::string::npos ? line : line.substr(at + marker.size()));
    }
    return entries;
}

std::vector<std::string> VirtualClockOs::SimulatedRequests(const std::string& path) {
    return Split(FileText(path), "\n");
}

bool VirtualClockOs::QueryCpuTimes(std::int64_t& idle, std::int64_t& system) {
    const TDateTime now = Now();
    std::int64_t nowMs;
    {
        std::lock_guard<std::mutex> lock(m_clockMutex);
        nowMs = m_ms;
    }
    std::lock_guard<std::mutex> lock(g_cpuMutex);
    // Every sample spans the virtual time since the one before (a second when there was none),
    // in 100-ns units, with the idle share that yields the chosen usage.
    std::int64_t elapsedMs =
        g_lastSampleMs >= 0 && nowMs > g_lastSampleMs ? nowMs - g_lastSampleMs : 1000;
    g_lastSampleMs = nowMs;
    const std::int64_t elapsed = elapsedMs * 10000;
    const double idleShare = (100.5 - cpuSample(now)) / 100.0 * processorCount;
    g_system += elapsed;
    g_idle += std::llround(elapsed * idleShare);
    idle = g_idle;
    system = g_system;
    return true;
}

os::WindowHandle VirtualClockOs::FindTopLevelWindow(const char*, const char* windowName) {
    return windowName && std::string(windowName) == "Debug Server" ? debugServer : 0;
}

int VirtualClockOs::CountTraces(const std::string& text) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    int n = 0;
    for (const CopyDataCall& call : copyDataCalls)
        if (debugServer && call.target == debugServer && call.text.find(text) != std::string::npos)
            ++n;
    return n;
}

bool VirtualClockOs::SendCopyData(os::WindowHandle target, std::uintptr_t, const void* data,
                                  std::uint32_t) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    copyDataCalls.push_back({target, static_cast<const char*>(data)});
    return false;
}

}  // namespace test
