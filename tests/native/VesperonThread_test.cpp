// The service worker's cycle in virtual time: a fake desktop-program probe (the "Vesperon"
// window and the desktop program's mutex), a fake clock of the event file and a recording engine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/CommUnit.h"
#include "engine/ShutdownEventUnit.h"
#include "service/VesperonThread.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/FakeOs.h"

namespace {

constexpr std::uint32_t kDosTime1 = (46u << 25) | (12u << 21) | (9u << 16) | (10u << 11);  // 10:00
constexpr std::uint32_t kDosTime2 = kDosTime1 + 1;  // 10:00:02

// What one cycle sees; each step is one cycle of the worker.
struct Step {
    enum Desktop { kAbsent, kWindow, kMutex } desktop = kAbsent;
    std::uint32_t fileTime = kDosTime1;  // 0: the event file can't be read
    int days = 0;                        // days the clock jumps before the cycle
};

// A FakeOs whose window search, named mutexes and event-file clock follow a script of steps,
// and which keeps the log and the worker's trace lines in memory, in one record with the
// engine's calls.
class WorkerOs : public test::FakeOs {
  public:
    std::vector<Step> steps;
    std::function<void()> onLastStep;
    bool captureTraces = false;
    std::atomic<std::size_t> cycle{0};  // cycles begun

    std::mutex recordLock;
    std::vector<std::string> record;  // "log:<text>", "trace:<text>", "engine:<call>"

    void Record(const std::string& entry) {
        std::lock_guard<std::mutex> lock(recordLock);
        record.push_back(entry);
    }
    std::vector<std::string> Records(const std::string& kind) {
        std::lock_guard<std::mutex> lock(recordLock);
        std::vector<std::string> result;
        for (const std::string& r : record)
            if (r.compare(0, kind.size(), kind) == 0) result.push_back(r);
        return result;
    }

    os::WindowHandle FindTopLevelWindow(const char*, const char* name) override {
        const std::string title = name ? name : "";
        if (title == "Debug Server") return captureTraces ? 4711 : 0;
        if (title != "Vesperon") return 0;
        const bool scripted = cycle++ < steps.size();
        const Step& step = Current();
        if (scripted) {
            now += step.days;
            if (step.desktop == Step::kMutex) namedMutexes.insert(kDesktopRunningMutexName);
            if (step.desktop != Step::kMutex) namedMutexes.erase(kDesktopRunningMutexName);
            if (cycle == steps.size() && onLastStep) onLastStep();
        }
        return step.desktop == Step::kWindow ? 0x1A2B : 0;
    }
    bool FileLastWriteDosDateTime(const std::string&, std::uint32_t& dos) override {
        dos = Current().fileTime;
        return dos != 0;
    }
    bool SendCopyData(os::WindowHandle, std::uintptr_t, const void* data, std::uint32_t) override {
        const std::string message(static_cast<const char*>(data));
        const std::string unit = "\tTThreadVesperon\t";
        const std::size_t at = message.find(unit);
        if (at != std::string::npos) Record("trace:" + message.substr(at + unit.size()));
        return true;
    }
    bool AppendToFile(const std::string&, const std::string& data) override {
        // "<date> <time> <AM/PM> operator <text>\r\n"
        const std::string user = " operator ";
        const std::size_t at = data.find(user);
        if (at != std::string::npos)
            Record("log:" + data.substr(at + user.size(), data.size() - at - user.size() - 2));
        return true;
    }

  private:
    // The step of the cycle under way; the last one holds after the script.
    const Step& Current() {
        static const Step none;
        if (steps.empty()) return none;
        return steps[std::min(cycle == 0 ? 0 : cycle - 1, steps.size() - 1)];
    }
};

// A recording engine: StartTimerThreads sets the scan date to today, as the engine's does.
TThreadVesperon::TEngine RecordingEngine(WorkerOs& fake, TDateTime& lastScan,
                                         std::function<void()> onStart = nullptr) {
    TThreadVesperon::TEngine engine;
    engine.StartTimerThreads = [&fake, &lastScan, onStart](os::WindowHandle window, bool late) {
        fake.Record("engine:start " + std::to_string(window) + (late ? " late" : ""));
        if (onStart) onStart();
        lastScan = Date();
    };
    engine.StopTimerThreads = [&fake] { fake.Record("engine:stop"); };
    engine.LastScanDate = [&lastScan] { return lastScan; };
    return engine;
}

// The log lines and engine calls in short form.
std::vector<std::string> Shorten(const std::vector<std::string>& record) {
    static const std::map<std::string, std::string> kShort = {
        {"log:Create Vesperon Service Application", "create"},
        {"log:Start Vesperon Service Application", "run"},
        {"log:Stop timer threads when user starts Vesperon program.", "DESKTOP"},
        {"log:Stop timer threads when user changes the shutdown events.", "CHANGED"},
        {"log:Start/restart timer threads when user closes Vesperon Program, user changes the "
         "shutdown events or it changes to the next date.",
         "ARM"},
        {"log:Stop Vesperon Service Application!", "end"},
        {"log:Destory Vesperon Service Application", "destroy"},
        {"engine:start 2147483647 late", "start"},
        {"engine:stop", "stop"},
    };
    std::vector<std::string> result;
    for (const std::string& r : record) {
        if (r.compare(0, 6, "trace:") == 0) continue;
        auto it = kShort.find(r);
        result.push_back(it != kShort.end() ? it->second : r);
    }
    return result;
}

class VesperonThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(TThread::LiveCount(), 0) << "a thread of an earlier test still runs";
        fake.programFilePath = "/nowhere/Bin/VesperonServiceApplication.exe";
    }

    // Runs a worker through the steps, then asks it to end; the record of the whole run.
    std::vector<std::string> Run(std::vector<Step> steps, std::function<void()> onStart = nullptr) {
        fake.steps = std::move(steps);
        os::ScopedOs scoped(fake);
        auto* worker = new TThreadVesperon(RecordingEngine(fake, lastScan, onStart));
        auto link = worker->Link();
        fake.onLastStep = [link] { link->Terminate(); };
        link->Resume();
        EXPECT_TRUE(link->WaitUntilDestroyed(10000)) << "the worker did not end";
        EXPECT_TRUE(TThread::WaitForAllThreads(10000));
        return Shorten(fake.record);
    }

    WorkerOs fake;
    TDateTime lastScan = 0;
};

using Lines = std::vector<std::string>;
const Step kAbsent{};
const Step kWindow{Step::kWindow};

TEST_F(VesperonThreadTest, LogsAndTracesTheFirstArmingWithTheirExactTextsAndTimes) {
    fake.captureTraces = true;
    fake.steps = {kAbsent, kAbsent};
    os::ScopedOs scoped(fake);
    auto* worker = new TThreadVesperon(RecordingEngine(fake, lastScan));
    EXPECT_EQ(worker->strEventFile, "/nowhere/Config/Config.INI");
    EXPECT_EQ(worker->dtLastWriteTime, EncodeDate(2026, 12, 9) + EncodeTime(10, 0, 0, 0));
    auto link = worker->Link();
    fake.onLastStep = [link] { link->Terminate(); };
    const TDateTime start = fake.now;
    link->Resume();
    ASSERT_TRUE(link->WaitUntilDestroyed(10000));
    ASSERT_TRUE(TThread::WaitForAllThreads(10000));

    std::vector<std::string> logs = fake.Records("log:");
    const Lines expectedLogs = {
        "log:Create Vesperon Service Application",
        "log:Start Vesperon Service Application",
        "log:Start/restart timer threads when user closes Vesperon Program, user changes the "
        "shutdown events or it changes to the next date.",
        "log:Stop Vesperon Service Application!",
        "log:Destory Vesperon Service Application",
    };
    EXPECT_EQ(logs, expectedLogs);
    const Lines expectedTraces = {
        "trace:FindWindowInAllOS, wndHandle: 0",
        "trace:Vesperon Service Application is in loop status.",
        "trace:FindWindowInAllOS, wndHandle: 0",
        "trace:Vesperon Service Application is in loop status.",
    };
    EXPECT_EQ(fake.Records("trace:"), expectedTraces);
    // The arming waits one second; the first cycle then takes two, the second one.
    EXPECT_NEAR((fake.now - start) * 86400, 3.0, 1e-6);
}

TEST_F(VesperonThreadTest, FollowsTheStateTable) {
    const Step changed{Step::kAbsent, kDosTime2};
    const Step windowAfterChange{Step::kWindow, kDosTime2};
    const Step nextDay{Step::kAbsent, kDosTime1, 1};
    const Step vanished{Step::kAbsent, 0};
    const Step mutexOnly{Step::kMutex};
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Lines expected;  // between "create run" and "end stop destroy"
    } cases[] = {
        {"absent: armed once, nothing more the same day",
         {kAbsent, kAbsent, kAbsent},
         {"ARM", "start"}},
        {"running from the start: nothing armed", {kWindow, kWindow}, {}},
        {"appears while armed: stopped once; closed unchanged: armed again",
         {kAbsent, kWindow, kWindow, kAbsent},
         {"ARM", "start", "DESKTOP", "stop", "ARM", "start"}},
        {"file saved while it runs: change seen in the first cycle after it",
         {kAbsent, kWindow, windowAfterChange, changed},
         {"ARM", "start", "DESKTOP", "stop", "CHANGED", "stop", "ARM", "start"}},
        {"file saved while armed: stopped and armed again",
         {kAbsent, changed, changed},
         {"ARM", "start", "CHANGED", "stop", "ARM", "start"}},
        {"next day: armed again without a stop",
         {kAbsent, nextDay, kAbsent},
         {"ARM", "start", "ARM", "start"}},
        {"file vanishes (one change) and returns (the next)",
         {kAbsent, vanished, vanished, kAbsent},
         {"ARM", "start", "CHANGED", "stop", "ARM", "start", "CHANGED", "stop", "ARM", "start"}},
        {"desktop program's mutex alone counts as running",
         {kAbsent, mutexOnly, mutexOnly},
         {"ARM", "start", "DESKTOP", "stop"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.record.clear();
        fake.cycle = 0;
        fake.now = EncodeDate(2026, 12, 9) + EncodeTime(11, 0, 0, 0);
        lastScan = 0;
        Lines expected = {"create", "run"};
        expected.insert(expected.end(), c.expected.begin(), c.expected.end());
        expected.insert(expected.end(), {"end", "stop", "destroy"});
        EXPECT_EQ(Run(c.steps), expected);
    }
}

TEST_F(VesperonThreadTest, FailedArmingIsLoggedAndRetriedInsteadOfEndingTheRun) {
    int calls = 0;
    const Lines lines = Run({kAbsent, kAbsent, kAbsent}, [&calls] {
        if (++calls == 1) throw std::runtime_error("disk gone");
    });
    const Lines expected = {
        "create", "run",   "ARM", "start", "log:Failed to start or stop timer threads: disk gone",
        "ARM",    "start", "end", "stop",  "destroy"};
    EXPECT_EQ(lines, expected);
}

TEST(VesperonThreadFileTime, ReadsTheDosTimeAsALocalDateTimeOr0) {
    struct FileClockOs : test::FakeOs {
        bool readable = true;
        std::uint32_t dos = 0;
        bool FileLastWriteDosDateTime(const std::string&, std::uint32_t& value) override {
            value = dos;
            return readable;
        }
    } fake;
    os::ScopedOs scoped(fake);
    struct Case {
        bool readable;
        std::uint32_t dos;
        TDateTime expected;
    } cases[] = {
        {true, kDosTime1, EncodeDate(2026, 12, 9) + EncodeTime(10, 0, 0, 0)},
        {true, kDosTime1 | 29u, EncodeDate(2026, 12, 9) + EncodeTime(10, 0, 58, 0)},
        {true, (44u << 25) | (2u << 21) | (29u << 16) | (23u << 11) | (59u << 5) | 29u,
         EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 58, 0)},
        {true, (46u << 25) | (13u << 21) | (1u << 16), 0},  // month 13
        {true, (46u << 25) | (2u << 21) | (30u << 16), 0},  // 30 February
        {true, kDosTime1 | (60u << 5), 0},                  // minute 60
        {false, kDosTime1, 0},
    };
    for (const Case& c : cases) {
        fake.readable = c.readable;
        fake.dos = c.dos;
        EXPECT_EQ(TThreadVesperon::GetFileDateTime("C:\\x\\Config.INI"), c.expected) << c.dos;
    }
}

TEST_F(VesperonThreadTest, HoldRestsAtTheEndOfACycleAndAStopReleasesIt) {
    fake.steps = {kAbsent};  // then absent for ever: one arming, then quiet cycles
    os::ScopedOs scoped(fake);
    auto* worker = new TThreadVesperon(RecordingEngine(fake, lastScan));
    auto link = worker->Link();
    link->Resume();
    link->Hold();
    ASSERT_TRUE(link->WaitUntilResting(10000));
    const std::size_t cycles = fake.cycle;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(fake.cycle, cycles) << "a held worker ran on";
    link->Resume();
    for (int i = 0; i < 1000 && fake.cycle <= cycles; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(fake.cycle, cycles) << "the worker did not run on after Resume";
    link->Hold();
    ASSERT_TRUE(link->WaitUntilResting(10000));
    // Held, the worker never stops the timer threads; a stop ends it from the hold.
    EXPECT_EQ(fake.Records("engine:stop").size(), 0u);
    link->Terminate();
    ASSERT_TRUE(link->WaitUntilDestroyed(10000));
    ASSERT_TRUE(TThread::WaitForAllThreads(10000));
    const Lines tail(fake.record.end() - 3, fake.record.end());
    const Lines expected = {"log:Stop Vesperon Service Application!", "engine:stop",
                            "log:Destory Vesperon Service Application"};
    EXPECT_EQ(tail, expected);
    // Control requests after the worker has freed itself do nothing.
    link->Hold();
    link->Resume();
    link->Terminate();
}

// The worker driving the real engine: the day's event is armed by the first cycle, fires, and a
// stop ends the worker after it has stopped the timer threads.
class VesperonThreadEngineTest : public test::EngineFixture {};

TEST_F(VesperonThreadEngineTest, ArmsTheDaysEventsWhichFireInTheService) {
    SetEngineHost(TEngineHost::Service);
    fake.programFilePath = folder + "/Bin/VesperonServiceApplication.exe";
    WriteEventFile(Event("Action1", "10:00:05 AM") + Event("Action2", "9:00:00 AM"));
    auto* worker = new TThreadVesperon();
    auto link = worker->Link();
    link->Resume();
    fake.RunFor(2);
    EXPECT_EQ(CountLog("Create Thread of task [Action1]"), 1);
    EXPECT_EQ(CountLog("Action2"), 0) << "a passed event without a CPU condition was armed";
    fake.RunFor(6);
    EXPECT_EQ(fake.SimulatedRequests(kSimulationFile),
              std::vector<std::string>{"6 ExitWindowsEx 12"});
    link->Terminate();
    EXPECT_TRUE(fake.RunUntilAllEnded(10));
    const std::vector<std::string> log = fake.LogEntries();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Stop Vesperon Service Application!");
    EXPECT_EQ(log.back(), "Destory Vesperon Service Application");
}

}  // namespace
