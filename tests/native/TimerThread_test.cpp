// The shutdown timer thread in virtual time: the start window, the CPU conditions, the effective
// duration, the two ways of carrying an event out, and the stop by the terminate flag.
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include <functional>
#include <string>
#include <vector>

#include "common/CommUnit.h"
#include "engine/ShutdownTimerThread.h"
#include "platform/Thread.h"
#include "tests/support/EngineFixture.h"

namespace {

using test::EngineFixture;

TDateTime Time(int h, int m, int s, int ms = 0) {
    return EncodeTime(h, m, s, ms);
}

// The thread class under the timer thread and the service worker.
class ProbeThread : public TThread {
  public:
    ProbeThread(bool* destroyed, bool fail) : m_destroyed(destroyed), m_fail(fail) {}
    ~ProbeThread() override {
        if (m_destroyed) *m_destroyed = true;
    }
    std::atomic<int> runs{0};
    std::atomic<bool> passedHold{false};
    std::size_t stackSize = 0;

  protected:
    void Execute() override {
        pthread_attr_t attributes;
        if (::pthread_getattr_np(::pthread_self(), &attributes) == 0) {
            ::pthread_attr_getstacksize(&attributes, &stackSize);
            ::pthread_attr_destroy(&attributes);
        }
        ++runs;
        WaitWhileHeld();
        passedHold = true;
        if (m_fail) throw std::runtime_error("work failed");
    }

  private:
    bool* m_destroyed;
    bool m_fail;
};

TEST(ThreadClass, RunsOnceOnAModestStackAndCanBeHeld) {
    ProbeThread thread(nullptr, false);
    thread.Suspend();  // held before it starts: it stops at its WaitWhileHeld
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    while (thread.runs == 0) std::this_thread::yield();
    EXPECT_FALSE(thread.passedHold);
    thread.Resume();
    thread.WaitFor();
    EXPECT_TRUE(thread.passedHold);
    EXPECT_EQ(thread.runs, 1);
    EXPECT_GE(thread.stackSize, TThread::kDefaultStackSize);
    // The system's default is 8 MiB; sanitizers add their thread-local state to the size.
    EXPECT_LT(thread.stackSize, 2u * 1024 * 1024);
}

TEST(ThreadClass, ASelfFreeingThreadIsDeletedEvenWhenItsWorkThrows) {
    bool destroyed = false;
    auto* thread = new ProbeThread(&destroyed, true);
    thread->FreeOnTerminate = true;
    thread->Suspend();
    thread->Resume();  // starts it, and the hold is gone
    ASSERT_TRUE(TThread::WaitForAllThreads(5000));
    EXPECT_TRUE(destroyed);
}

TEST(StartWindow, OpensAfterTheStartOrWithinTheCountdownButNeverForMidnight) {
    struct Case {
        TDateTime now, start;
        int countDown;
        bool open;
    } cases[] = {
        {Time(21, 59, 59, 500), Time(22, 0, 0), 0, true},  // 0 whole seconds left
        {Time(21, 59, 59), Time(22, 0, 0), 0, false},
        {Time(22, 0, 0), Time(22, 0, 0), 30, false},  // exactly at the start: not yet
        {Time(22, 0, 0, 1), Time(22, 0, 0), 0, true},
        {Time(21, 59, 30), Time(22, 0, 0), 30, true},
        {Time(21, 59, 29, 500), Time(22, 0, 0), 30, true},  // 30.5 s truncates to 30
        {Time(21, 59, 29), Time(22, 0, 0), 30, false},
        {Time(0, 0, 0), 0, 3600, false},  // midnight never opens
        {Time(12, 0, 0), 0, 3600, false},
        {Time(23, 59, 59, 999), 0, 3600, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TimeToStr(c.now) + " " + TimeToStr(c.start));
        EXPECT_EQ(IsStartWindowOpen(c.now, c.start, c.countDown), c.open);
    }
}

TEST(StartWindow, WholeSecondsAreNotLostToRounding) {
    TDateTime from = EncodeDate(2026, 12, 11) + Time(21, 0, 0);
    TDateTime to = from;
    for (int i = 0; i < 300; ++i) to += 1000 / 86400000.0;
    EXPECT_EQ(WholeSecondsBetween(from, to), 300);
    EXPECT_EQ(WholeSecondsBetween(from, from + 0.9994 / 86400), 0);
}

class TimerThread : public EngineFixture {
  protected:
    // Starts a thread for Section of Text, created at the fake's current time.
    void StartThread(const std::string& text, const std::string& section = "Action1") {
        TIniFile reader;
        reader.SetText(text);
        auto* thread = new TThreadShutdownTimer(reader, section, 4242);
        ASSERT_TRUE(thread->Start());
        threadForStop = thread;  // valid only while the test keeps it from ending
    }
    std::vector<std::string> Log() { return fake.LogEntries(); }

    TThreadShutdownTimer* threadForStop = nullptr;
};

TEST_F(TimerThread, DesktopEventFiresInTheFirstCycleAfterItsStartAndAnnouncesItsSection) {
    fake.SetNow(Today(21, 59, 50, 500));
    StartThread(Event("Action1", "10:00:00 PM", "Title=Evening\n"));
    fake.RunUntil(Today(22, 0, 0, 499));
    EXPECT_TRUE(fake.copyDataCalls.empty());
    fake.RunUntil(Today(22, 0, 0, 500));
    ASSERT_EQ(fake.copyDataCalls.size(), 1u);
    EXPECT_EQ(fake.copyDataCalls[0].target, 4242u);
    EXPECT_EQ(fake.copyDataCalls[0].text, "Action1");
    ASSERT_TRUE(fake.RunUntilAllEnded(2));
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "Create Thread of task [Evening]",
                         "Start Thread of task [Evening]",
                         "The conditions of Task Evening are satisfied now!",
                         "Thread of task [Evening] has finished the job, terminate.",
                         "Stop Thread of task [Evening]",
                         "Destroy Thread of task [Evening]",
                     }));
    EXPECT_TRUE(fake.SimulatedRequests(kSimulationFile).empty());  // the desktop's dialog acts
}

TEST_F(TimerThread, ServiceEventOpensItsToDoItemsThenTakesThePowerAction) {
    SetEngineHost(TEngineHost::Service);
    fake.SetNow(Today(21, 59, 58, 500));
    StartThread(Event("Action1", "10:00:00 PM",
                      "Title=Evening\nToDoNum=2\nToDo1=C:\\a.cmd\nToDo2=C:\\b.txt\n"));
    ASSERT_TRUE(fake.RunUntilAllEnded(5));
    EXPECT_TRUE(fake.copyDataCalls.empty());
    ASSERT_EQ(fake.shellCalls.size(), 2u);
    EXPECT_EQ(fake.shellCalls[1].file, "C:\\b.txt");
    EXPECT_EQ(fake.SimulatedRequests(kSimulationFile),
              std::vector<std::string>{"6 ExitWindowsEx 12"});
    std::string log = fake.FileText(GetLogFilePath());
    std::string entry =
        "Start to execute the following application(s) or service(s):\r\nC:\\a.cmd\r\n"
        "C:\\b.txt\r\nComputer Power Off By Force at time: 10:00:00 PM\r\n";
    std::size_t at = log.find(entry);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_LT(log.find("are satisfied now!"), at);
    EXPECT_GT(log.find("Thread of task [Evening] has finished the job, terminate."), at);
}

TEST_F(TimerThread, ServiceEventWithoutItemsLogsTheActionAlone) {
    SetEngineHost(TEngineHost::Service);
    fake.SetNow(Today(21, 59, 58, 500));
    StartThread(Event("Action1", "10:00:00 PM", "Behavior=0\n"));
    ASSERT_TRUE(fake.RunUntilAllEnded(5));
    EXPECT_EQ(CountLog("Computer Do Nothing at time: 10:00:00 PM"), 1);
    EXPECT_NE(fake.FileText(GetLogFilePath()).find(" Computer Do Nothing"), std::string::npos);
}

TEST_F(TimerThread, MidnightStartNeverFires) {
    fake.SetNow(Today(23, 59, 0, 500));
    StartThread(Event("Action1", "12:00:00 AM", "CondEffectiveDuration=48\n"));
    fake.RunUntil(Today(23, 59, 0) + 120 / 86400.0);  // across midnight
    EXPECT_TRUE(fake.copyDataCalls.empty());
    ASSERT_EQ(TThread::LiveCount(), 1) << fake.FileText(GetLogFilePath());
    threadForStop->Terminate();  // it is not in the pool, so the fixture can't stop it
}

// CPU conditions: the sample is exactly at the level except in the listed seconds (counted
// from the thread's creation at 22:00:00.5, past the start moment), where it lies on the other
// side of the level.
struct ConditionCase {
    const char* name;
    const char* keys;
    double atLevel, pastLevel;
    std::vector<int> pastSeconds;
    int fireSecond;
};

TEST_F(TimerThread, CpuConditionsWaitForTheirDurationAndRestartAfterABreak) {
    const ConditionCase cases[] = {
        // A sample exactly at the idle level (38.0) counts as idle.
        {"idle 5 minutes",
         "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=38\nCondCPUIdleDuration=5\n"
         "CondCPUIdleUnit=1\n",
         38.0,
         38.5,
         {},
         300},
        {"idle 5 minutes, one busy second",
         "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=38\n"
         "CondCPUIdleDuration=5\nCondCPUIdleUnit=1\n",
         38.0,
         38.5,
         {100},
         400},
        {"idle 30 seconds",
         "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=38\n"
         "CondCPUIdleDuration=30\nCondCPUIdleUnit=0\n",
         38.0,
         38.5,
         {},
         30},
        // Busy level 80: 80.5 continues the streak, 79.5 (a true 79) restarts it.
        {"busy 5 seconds",
         "CondEnableCheckCPUBusy=1\nCondCPUBusyLevel=80\n"
         "CondCPUBusyDuration=5\nCondCPUBusyUnit=0\n",
         80.5,
         79.5,
         {3},
         8},
        // Both on: only idleness counts.
        {"idle wins over busy",
         "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=38\n"
         "CondCPUIdleDuration=10\nCondEnableCheckCPUBusy=1\n"
         "CondCPUBusyLevel=90\nCondCPUBusyDuration=1\n",
         38.0,
         38.5,
         {},
         10},
    };
    for (const ConditionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TDateTime created = Today(22, 0, 0, 500);
        fake.SetNow(created);
        fake.copyDataCalls.clear();
        fake.cpuSample = [&c, created](TDateTime now) {
            long long second = WholeSecondsBetween(created, now);
            for (int s : c.pastSeconds)
                if (s == second) return c.pastLevel;
            return c.atLevel;
        };
        StartThread(Event("Action1", "10:00:00 PM", c.keys));
        fake.RunUntil(created + (c.fireSecond - 1) / 86400.0);
        EXPECT_TRUE(fake.copyDataCalls.empty());
        fake.RunUntil(created + c.fireSecond / 86400.0);
        EXPECT_EQ(fake.copyDataCalls.size(), 1u);
        ASSERT_TRUE(fake.RunUntilAllEnded(2));
    }
}

TEST_F(TimerThread, HoursUnitMeansHours) {
    const TDateTime created = Today(22, 0, 0, 500);
    fake.SetNow(created);
    fake.cpuSample = [](TDateTime) { return 0.5; };
    StartThread(Event("Action1", "10:00:00 PM",
                      "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=5\nCondCPUIdleDuration=1\n"
                      "CondCPUIdleUnit=2\n"));
    fake.RunUntil(created + 3599 / 86400.0);
    EXPECT_TRUE(fake.copyDataCalls.empty());
    fake.RunUntil(created + 3600 / 86400.0);
    EXPECT_EQ(fake.copyDataCalls.size(), 1u);
}

TEST_F(TimerThread, EffectiveDurationEndsTheThreadWithoutFiring) {
    struct Case {
        int hours;
        const char* keys;
    } cases[] = {
        {0, ""},  // no condition at all: the lapse is checked first
        {2, "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=1\n"},
    };
    fake.cpuSample = [](TDateTime) { return 100.5; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hours);
        const TDateTime created = Today(21, 59, 58, 500);
        fake.SetNow(created);
        std::string keys =
            c.keys + std::string("CondEffectiveDuration=") + std::to_string(c.hours) + "\n";
        StartThread(Event("Action1", "10:00:00 PM", "Title=Late\n" + keys));
        const TDateTime end = Today(22, 0, 0, 500) + c.hours / 24.0;
        fake.RunUntil(end - 1 / 86400.0);
        EXPECT_EQ(TThread::LiveCount(), 1);
        fake.RunUntil(end);
        ASSERT_TRUE(fake.RunUntilAllEnded(1));
        std::vector<std::string> log = Log();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(log[log.size() - 3],
                  "Task Late does not start in the effective time(" + std::to_string(c.hours) +
                      " h), task's start time: " + DateTimeToStr(created) + " ");
        EXPECT_EQ(log[log.size() - 2], "Stop Thread of task [Late]");
        EXPECT_EQ(log[log.size() - 1], "Destroy Thread of task [Late]");
        EXPECT_TRUE(fake.copyDataCalls.empty());
    }
}

TEST_F(TimerThread, TerminateDuringTheSleepEndsAfterThatSleep) {
    fake.SetNow(Today(20, 0, 0));
    StartThread(Event("Action1", "10:00:00 PM", "Title=Stopped\n"));
    fake.RunFor(0.5);  // asleep in its first cycle
    threadForStop->Terminate();
    EXPECT_EQ(TThread::LiveCount(), 1);
    fake.RunFor(1);
    EXPECT_EQ(TThread::LiveCount(), 0);
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], "Stop Thread of task [Stopped]");
    EXPECT_EQ(log[3], "Destroy Thread of task [Stopped]");
}

TEST_F(TimerThread, ABrokenPasswordMakesConstructionFail) {
    TIniFile reader;
    reader.SetText(Event("Action1", "10:00:00 PM", "Password=00zz\n"));
    EXPECT_ANY_THROW(TThreadShutdownTimer(reader, "Action1", 0));
    EXPECT_TRUE(Log().empty());
}

TEST_F(TimerThread, RefillIsAllOrNothing) {
    TIniFile reader;
    reader.SetText(Event("Action1", "10:00:00 PM", "Title=Before\nToDoNum=1\nToDo1=x\n"));
    TThreadShutdownTimer thread(reader, "Action1", 0);  // never started
    reader.SetText(Event("Action1", "11:00:00 PM", "Title=After\nToDoNum=0\nPassword=00zz\n"));
    EXPECT_ANY_THROW(thread.RefillRecord(reader, "Action1"));
    EXPECT_EQ(thread.recAction.strFLDTitle, "Before");
    EXPECT_EQ(*thread.recAction.slToDo, std::vector<std::string>{"x"});
    reader.SetText(Event("Action1", "11:00:00 PM", "Title=After\nToDoNum=0\n"));
    thread.RefillRecord(reader, "Action1");
    EXPECT_EQ(thread.recAction.strFLDTitle, "After");
    EXPECT_TRUE(thread.recAction.slToDo->empty());
}

}  // namespace
