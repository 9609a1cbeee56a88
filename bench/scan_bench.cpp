// Figures for the daily scan: the time and peak memory of one scan (reading the event file once
// and picking today's events) for 100, 1,000 and 10,000 events, and the memory one armed timer
// thread costs. Prints figures; asserts nothing.
//
// Each scan size runs in a child process of its own, so that its peak resident size is its own.
// Start times fall as the file goes on, so every event becomes the next event in turn: the
// scan's worst case.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/CommUnit.h"
#include "engine/ShutdownEventUnit.h"
#include "platform/Thread.h"
#include "tests/support/FakeOs.h"

namespace {

// The system's clock and sleeps, a program file in a temporary folder, no log file.
class BenchOs : public test::FakeOs {
  public:
    TDateTime Now() override { return os::System().Now(); }
    void SleepMs(unsigned ms) override { os::System().SleepMs(ms); }
    bool AppendToFile(const std::string&, const std::string&) override { return true; }
};

std::string EventFile(int events) {
    std::string text;
    for (int i = 0; i < events; ++i) {
        int secondOfDay = 86399 - (i % 3600);  // after 23:00, falling
        char startTime[32];
        std::snprintf(startTime, sizeof startTime, "%d:%02d:%02d PM", secondOfDay / 3600 - 12,
                      secondOfDay / 60 % 60, secondOfDay % 60);
        text += "[Action" + std::to_string(i + 1) + "]\nTitle=Event " + std::to_string(i + 1) +
                "\nBehavior=4\nStartTime=" + startTime +
                "\nEnableThisEvent=1\nCountDownTime=30\nEnableAbort=1\nEnableSoundAlarm=0\n"
                "CondEffectiveDuration=10\nCondEnableCheckCPUIdle=0\nToDoNum=1\n"
                "ToDo1=C:\\Tools\\backup.cmd\nRPStartDate=1/1/2020\nRPEndDate=1/1/2020\n"
                "RPEndType=0\nRPRecurrenceType=0\nRPInterval=1\n";
    }
    return text;
}

long PeakResidentKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Resident and virtual size of this process, in KiB, from /proc/self/statm.
void CurrentSizesKb(long& resident, long& virtualSize) {
    long pages = 0, residentPages = 0;
    std::ifstream("/proc/self/statm") >> pages >> residentPages;
    long pageKb = ::sysconf(_SC_PAGESIZE) / 1024;
    resident = residentPages * pageKb;
    virtualSize = pages * pageKb;
}

void ScanOnce(int events) {
    std::ofstream(GetEventFilePath(), std::ios::trunc) << EventFile(events);
    long before = PeakResidentKb();
    auto start = std::chrono::steady_clock::now();
    const int kRuns = 5;
    std::size_t found = 0;
    for (int run = 0; run < kRuns; ++run) {
        TIniFile reader(GetEventFilePath());
        ScanEvents(reader, true);
        found = TasksToStart.size();
        TasksToStart.clear();
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count() /
                kRuns;
    std::printf(
        "%6d events: scan %8.2f ms (%.2f us/event), %zu found, peak RSS %6ld KiB "
        "(+%ld KiB during the scans), file %zu KiB\n",
        events, ms, ms * 1000 / events, found, PeakResidentKb(), PeakResidentKb() - before,
        std::filesystem::file_size(GetEventFilePath()) / 1024);
}

void ThreadCost(int threads) {
    std::ofstream(GetEventFilePath(), std::ios::trunc) << EventFile(threads);
    long residentBefore, virtualBefore, residentAfter, virtualAfter;
    CurrentSizesKb(residentBefore, virtualBefore);
    StartTimerThreads(0x7FFFFFFF, true);
    os::System().SleepMs(1500);  // every thread through its first cycle and asleep
    CurrentSizesKb(residentAfter, virtualAfter);
    int armed = static_cast<int>(TimerThreadSections().size());
    StopTimerThreads();
    bool ended = TThread::WaitForAllThreads(5000);
    if (armed == 0) {
        std::printf("no thread armed (is it after 23:00?)\n");
        return;
    }
    std::printf(
        "%d armed timer threads: %.1f KiB resident and %.1f KiB of address space each (the "
        "stack reserves %zu KiB; the rest is the C library's per-thread heap arenas, shared "
        "once there are more threads than arenas)%s\n",
        armed, double(residentAfter - residentBefore) / armed,
        double(virtualAfter - virtualBefore) / armed, TThread::kDefaultStackSize / 1024,
        ended ? "" : "; some threads did not end");
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    fs::path folder =
        fs::temp_directory_path() / ("vesperon-scan-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "Bin");
    fs::create_directories(folder / "Config");
    BenchOs bench;
    bench.programFilePath = (folder / "Bin" / "Vesperon.exe").string();
    os::ScopedOs scoped(bench);

    for (int events : {100, 1000, 10000}) {
        std::fflush(stdout);
        pid_t child = ::fork();
        if (child == 0) {
            ScanOnce(events);
            std::fflush(stdout);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    ThreadCost(500);
    fs::remove_all(folder);
    return 0;
}
