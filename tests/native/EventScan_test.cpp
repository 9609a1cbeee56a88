// The daily scan and the timer-thread pool, end to end over an event file, in virtual time.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/ShutdownEventUnit.h"
#include "engine/ShutdownTimerThread.h"
#include "platform/Thread.h"
#include "tests/support/EngineFixture.h"

namespace {

using Sections = std::vector<std::string>;

constexpr os::WindowHandle kMainWindow = 9001;

class EventScan : public test::EngineFixture {
  protected:
    void StopAndWait() {
        StopTimerThreads();
        ASSERT_TRUE(fake.RunUntilAllEnded(3));
    }
    std::string Next() {
        return NextActionToActivate.bHasAction ? NextActionToActivate.strSection : "";
    }
};

TEST_F(EventScan, ArmsTodaysPendingEventsAndFindsTheNextOne) {
    const std::string idle = "CondEnableCheckCPUIdle=1\n";
    const std::string badPassword = "Password=00zz\n";
    struct Case {
        const char* name;
        std::string file;
        bool includeLate;
        Sections armed;
        std::string next;
    } cases[] = {
        {"disabled", Event("Action1", "10:00:00 PM", "EnableThisEvent=0\n"), true, {}, ""},
        {"late without condition", Event("Action1", "9:00:00 AM"), true, {}, ""},
        {"late with condition", Event("Action1", "9:00:00 AM", idle), true, {"Action1"}, ""},
        {"late with condition, late ones not wanted",
         Event("Action1", "9:00:00 AM", idle),
         false,
         {},
         ""},
        {"starting now", Event("Action1", "10:00:00 AM"), true, {"Action1"}, "Action1"},
        {"earlier start wins",
         Event("Action1", "9:00:00 PM") + Event("Action2", "8:00:00 PM"),
         true,
         {"Action1", "Action2"},
         "Action2"},
        {"tie: earlier in the file wins",
         Event("Action1", "8:00:00 PM") + Event("Action2", "8:00:00 PM"),
         true,
         {"Action1", "Action2"},
         "Action1"},
        {"not today",
         Event("Action1", "8:00:00 PM", "RPRecurrenceType=7\nRPOnceDate=12/12/2026\n"),
         true,
         {},
         ""},
        {"only event sections",
         "[Options]\nStartTime=8:00:00 PM\n" + Event("action7", "8:00:00 PM") +
             Event("MyAction7", "9:00:00 PM"),
         true,
         {"MyAction7"},
         "MyAction7"},
        {"empty file", "", true, {}, ""},
        // An event that can't be read is left out, whether the scan or the arming finds it.
        {"broken third event, earliest",
         Event("Action1", "9:00:00 PM") + Event("Action2", "10:00:00 PM") +
             Event("Action3", "7:00:00 PM", badPassword) + Event("Action4", "11:00:00 PM"),
         true,
         {"Action1", "Action2", "Action4"},
         "Action1"},
        {"broken third event, latest",
         Event("Action1", "9:00:00 PM") + Event("Action2", "10:00:00 PM") +
             Event("Action3", "11:30:00 PM", badPassword) + Event("Action4", "11:00:00 PM"),
         true,
         {"Action1", "Action2", "Action4"},
         "Action1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.SetNow(Today(10, 0, 0));
        WriteEventFile(c.file);
        int brokenBefore = CountLog("Task [Action3] is not armed, its settings can't be read");
        StartTimerThreads(kMainWindow, c.includeLate);
        EXPECT_EQ(TimerThreadSections(), c.armed);
        EXPECT_EQ(Next(), c.next);
        EXPECT_TRUE(TasksToStart.empty());
        EXPECT_EQ(LastScanDate, Today(0, 0, 0));
        bool broken = c.file.find(badPassword) != std::string::npos;
        EXPECT_EQ(CountLog("Task [Action3] is not armed, its settings can't be read"),
                  brokenBefore + (broken ? 1 : 0));
        StopAndWait();
    }
}

TEST_F(EventScan, MissingEventFileArmsNothing) {
    StartTimerThreads(kMainWindow, true);
    EXPECT_TRUE(TimerThreadSections().empty());
    EXPECT_FALSE(NextActionToActivate.bHasAction);
}

TEST_F(EventScan, StopTimerThreadsEmptiesThePoolAtOnceAndEveryThreadEnds) {
    fake.debugServer = 77;
    WriteEventFile(Event("Action1", "8:00:00 PM") + Event("Action2", "9:00:00 PM") +
                   Event("Action3", "10:00:00 PM"));
    StartTimerThreads(kMainWindow, true);
    EXPECT_EQ(fake.CountTraces("3 Timer Thread start!"), 1);
    ASSERT_EQ(TimerThreadSections().size(), 3u);
    StopTimerThreads();
    EXPECT_EQ(fake.CountTraces("3 timer thread(s) will be stopped!"), 1);
    EXPECT_TRUE(TimerThreadSections().empty());
    EXPECT_EQ(TThread::LiveCount(), 3);
    fake.RunFor(1);
    EXPECT_EQ(TThread::LiveCount(), 0);
    EXPECT_EQ(CountLog("Stop Thread of task"), 3);
    EXPECT_EQ(CountLog("Destroy Thread of task"), 3);
}

TEST_F(EventScan, AThreadThatFiresLeavesThePool) {
    fake.SetNow(Today(19, 59, 59, 500));
    WriteEventFile(Event("Action1", "8:00:00 PM") + Event("Action2", "9:00:00 PM"));
    StartTimerThreads(kMainWindow, true);
    fake.RunFor(2);
    EXPECT_EQ(TimerThreadSections(), Sections{"Action2"});
    ASSERT_EQ(fake.copyDataCalls.size(), 1u);
    EXPECT_EQ(fake.copyDataCalls[0].target, kMainWindow);
    EXPECT_EQ(Next(), "Action1");  // kept until the next scan or refresh
}

TEST_F(EventScan, RefreshFollowsNewEditedAndDeletedEvents) {
    WriteEventFile(Event("Action1", "9:00:00 PM") + Event("Action2", "8:00:00 PM") +
                   Event("Action3", "10:00:00 PM", "EnableThisEvent=0\n"));
    StartTimerThreads(kMainWindow, true);
    EXPECT_EQ(TimerThreadSections(), (Sections{"Action1", "Action2"}));
    EXPECT_EQ(Next(), "Action2");

    // Editing the later event refreshes its thread and makes it the next event shown.
    WriteEventFile(Event("Action1", "9:00:00 PM", "Title=Renamed\n") +
                   Event("Action2", "8:00:00 PM") +
                   Event("Action3", "10:00:00 PM", "EnableThisEvent=0\n"));
    EXPECT_TRUE(RefreshTimerThread(kMainWindow, "Action1", rmEditedEvent));
    EXPECT_EQ(TimerThreadSections(), (Sections{"Action1", "Action2"}));
    EXPECT_EQ(Next(), "Action1");
    EXPECT_EQ(NextActionToActivate.strFLDTitle, "Renamed");

    // Enabling a disabled event with Edit arms it at once.
    WriteEventFile(Event("Action1", "9:00:00 PM", "Title=Renamed\n") +
                   Event("Action2", "8:00:00 PM") + Event("Action3", "10:00:00 PM"));
    EXPECT_TRUE(RefreshTimerThread(kMainWindow, "Action3", rmEditedEvent));
    EXPECT_EQ(TimerThreadSections(), (Sections{"Action1", "Action2", "Action3"}));

    // Turning an armed event off with Edit stops its thread; the next event stays as it was.
    WriteEventFile(Event("Action1", "9:00:00 PM", "Title=Renamed\n") +
                   Event("Action2", "8:00:00 PM", "EnableThisEvent=0\n") +
                   Event("Action3", "10:00:00 PM"));
    EXPECT_FALSE(RefreshTimerThread(kMainWindow, "Action2", rmEditedEvent));
    EXPECT_EQ(TimerThreadSections(), (Sections{"Action1", "Action3"}));
    EXPECT_EQ(Next(), "Action3");

    // Deleting stops the thread; deleting an event without a thread changes nothing.
    WriteEventFile(Event("Action1", "9:00:00 PM", "Title=Renamed\n"));
    EXPECT_FALSE(RefreshTimerThread(kMainWindow, "Action3", rmDeletedEvent));
    EXPECT_FALSE(RefreshTimerThread(kMainWindow, "Action2", rmDeletedEvent));
    EXPECT_EQ(TimerThreadSections(), Sections{"Action1"});
    EXPECT_EQ(Next(), "Action3");

    fake.RunFor(1);
    EXPECT_EQ(TThread::LiveCount(), 1);
    EXPECT_EQ(CountLog("Stop Thread of task [Action2]"), 1);
    EXPECT_EQ(CountLog("Stop Thread of task [Action3]"), 1);
    // The refreshed thread carries its new record.
    StopAndWait();
    EXPECT_EQ(CountLog("Stop Thread of task [Renamed]"), 1);
}

TEST_F(EventScan, ANewEventPastItsStartFiresAtOnce) {
    WriteEventFile(Event("Action1", "9:00:00 AM"));
    EXPECT_TRUE(RefreshTimerThread(kMainWindow, "Action1", rmNewEvent));
    EXPECT_EQ(Next(), "Action1");
    fake.RunFor(1);
    ASSERT_EQ(fake.copyDataCalls.size(), 1u);
    EXPECT_EQ(fake.copyDataCalls[0].text, "Action1");
    EXPECT_TRUE(TimerThreadSections().empty());
}

TEST_F(EventScan, RefreshOfAnUnreadableEventChangesNothing) {
    WriteEventFile(Event("Action1", "9:00:00 PM"));
    StartTimerThreads(kMainWindow, true);
    WriteEventFile(Event("Action1", "9:00:00 PM", "Title=Broken\nPassword=00zz\n") +
                   Event("Action2", "10:00:00 PM", "Password=00zz\n"));
    EXPECT_FALSE(RefreshTimerThread(kMainWindow, "Action1", rmEditedEvent));
    EXPECT_FALSE(RefreshTimerThread(kMainWindow, "Action2", rmNewEvent));
    EXPECT_EQ(TimerThreadSections(), Sections{"Action1"});
    EXPECT_EQ(NextActionToActivate.strFLDTitle, "Action1");
    StopAndWait();
    EXPECT_EQ(CountLog("Stop Thread of task [Action1]"), 1);  // its record is as it was
}

TEST_F(EventScan, ALongEffectiveDurationKeepsYesterdaysThreadBesideTodays) {
    fake.SetNow(Today(23, 0, 0));
    fake.cpuSample = [](TDateTime) { return 100.5; };  // never idle
    WriteEventFile(
        Event("Action1", "11:59:50 PM",
              "CondEnableCheckCPUIdle=1\nCondCPUIdleLevel=1\nCondEffectiveDuration=24\n"));
    StartTimerThreads(kMainWindow, true);
    fake.RunUntil(Today(0, 0, 30) + 1);
    EXPECT_EQ(TimerThreadSections(), Sections{"Action1"});
    ASSERT_NE(LastScanDate, Date());  // the owner's date check would scan now
    StartTimerThreads(kMainWindow, true);
    EXPECT_EQ(LastScanDate, Today(0, 0, 0) + 1);
    EXPECT_EQ(TimerThreadSections(), (Sections{"Action1", "Action1"}));
    fake.RunFor(5);
    EXPECT_EQ(TThread::LiveCount(), 2);
}

// The owner starts, refreshes and stops hundreds of threads while a clock driver keeps them
// cycling and firing, so that threads end on their own at the same time.
TEST_F(EventScan, StressStartRefreshAndStopWhileThreadsEndOnTheirOwn) {
    const int kEvents = 150;
    std::string file;
    for (int i = 1; i <= kEvents; ++i) {
        int second = i % 50;
        file +=
            Event("Action" + std::to_string(i),
                  "10:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) + " PM",
                  i % 7 == 0 ? "EnableThisEvent=0\n" : "");
    }
    WriteEventFile(file);
    const TDateTime start = Today(21, 59, 59, 500);
    fake.SetNow(start);

    std::atomic<bool> stop{false};
    std::thread driver([&] {
        // Time moves only while threads live, so it can't run ahead of the owner.
        while (!stop.load()) {
            if (TThread::LiveCount() > 0)
                fake.RunFor(0.25);
            else
                std::this_thread::yield();
        }
    });
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        // Let virtual time move on, so that threads fire and end while the owner works.
        while (fake.Now() < start + round * 4 / 86400.0 && TThread::LiveCount() > 0)
            std::this_thread::yield();
        StartTimerThreads(kMainWindow, true);
        for (int k = 0; k < 40; ++k) {
            std::string section = "Action" + std::to_string(1 + random() % kEvents);
            RefreshTimerThread(kMainWindow, section, static_cast<TRefreshMode>(random() % 3));
        }
        if (round % 4 == 3) StopTimerThreads();
    }
    StopTimerThreads();
    stop.store(true);
    driver.join();
    ASSERT_TRUE(fake.RunUntilAllEnded(5));
    EXPECT_TRUE(TimerThreadSections().empty());
    EXPECT_GT(fake.copyDataCalls.size(), 0u);  // some fired on their own
    EXPECT_EQ(CountLog("Create Thread of task"), CountLog("Destroy Thread of task"));
    EXPECT_GT(CountLog("Create Thread of task"), kEvents);
}

}  // namespace
