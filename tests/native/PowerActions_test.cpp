// Power actions and the ToDo launch: the request table with its flags, the simulation switch,
// the privilege steps around each request and their serialisation, and the log texts.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/ShutdownEventUnit.h"
#include "tests/support/EngineFixture.h"

namespace {

using test::EngineFixture;
using test::ScopedEnv;

class PowerActions : public EngineFixture {};

struct RequestCase {
    int behavior;
    const char* request;  // as the fake records it; empty: no request
};

const RequestCase kRequests[] = {
    {0, ""},
    {1, "ExitWindowsEx 0"},
    {2, "ExitWindowsEx 8"},
    {3, "ExitWindowsEx 2"},
    {4, "ExitWindowsEx 1"},
    {5, "ExitWindowsEx 4"},
    {6, "ExitWindowsEx 12"},
    {7, "ExitWindowsEx 6"},
    {8, "ExitWindowsEx 5"},
    {9, "SetSystemPowerState 0 1"},
    {10, "SetSystemPowerState 1 1"},
    {11, ""},
    {-1, ""},
};

TEST_F(PowerActions, SimulationFileRecordsEachRequestAndNoneIsMade) {
    for (const RequestCase& c : kRequests) {
        SCOPED_TRACE(c.behavior);
        std::size_t before = fake.SimulatedRequests(kSimulationFile).size();
        fake.privilegeSteps.clear();
        EXPECT_TRUE(DoShutdownBehavior(c.behavior));
        std::vector<std::string> lines = fake.SimulatedRequests(kSimulationFile);
        if (*c.request) {
            ASSERT_EQ(lines.size(), before + 1);
            EXPECT_EQ(lines.back(), std::to_string(c.behavior) + " " + c.request);
        } else {
            EXPECT_EQ(lines.size(), before);
        }
        EXPECT_EQ(fake.privilegeSteps, (std::vector<bool>{true, false}));
    }
    EXPECT_TRUE(fake.powerRequests.empty());
}

TEST_F(PowerActions, WithoutSimulationTheSeamGetsTheRequest) {
    ScopedEnv real("VESPERON_SIMULATE_POWER", nullptr);  // the fake still makes no request
    for (const RequestCase& c : kRequests) {
        SCOPED_TRACE(c.behavior);
        fake.powerRequests.clear();
        DoShutdownBehavior(c.behavior);
        if (*c.request)
            EXPECT_EQ(fake.powerRequests, std::vector<std::string>{c.request});
        else
            EXPECT_TRUE(fake.powerRequests.empty());
    }
}

TEST_F(PowerActions, OutsideTheNtFamilyPrivilegeStepsAreSkippedButTheRequestIsMade) {
    fake.ntPlatform = false;
    DoShutdownBehavior(sbShutdownSafely);
    EXPECT_TRUE(fake.privilegeSteps.empty());
    EXPECT_EQ(fake.SimulatedRequests(kSimulationFile),
              std::vector<std::string>{"4 ExitWindowsEx 1"});
}

// Counts privilege steps and checks that no request is made while the privilege is dropped and
// that no second enable comes before the drop of the first.
class PrivilegeWatchingOs : public test::VirtualClockOs {
  public:
    using VirtualClockOs::VirtualClockOs;
    void AdjustShutdownPrivilege(bool enable) override {
        std::lock_guard<std::mutex> lock(m_watch);
        if (enable == m_enabled) ++overlaps;
        m_enabled = enable;
    }
    void RequestExitWindows(unsigned) override {
        {
            std::lock_guard<std::mutex> lock(m_watch);
            if (!m_enabled) ++requestsWithoutPrivilege;
        }
        for (int i = 0; i < 50; ++i) std::this_thread::yield();  // widen the window
        std::lock_guard<std::mutex> lock(m_watch);
        if (!m_enabled) ++requestsWithoutPrivilege;
    }
    int overlaps = 0, requestsWithoutPrivilege = 0;

  private:
    std::mutex m_watch;
    bool m_enabled = false;
};

TEST(PowerActionsConcurrency, OverlappingCallsNeverDropThePrivilegeDuringARequest) {
    PrivilegeWatchingOs watching(EncodeDate(2026, 12, 11));
    os::ScopedOs scoped(watching);
    ScopedEnv real("VESPERON_SIMULATE_POWER", nullptr);  // requests reach the watching fake
    std::vector<std::thread> callers;
    for (int t = 0; t < 6; ++t)
        callers.emplace_back([] {
            for (int i = 0; i < 200; ++i) DoShutdownBehavior(sbPowerOffByForce);
        });
    for (std::thread& caller : callers) caller.join();
    EXPECT_EQ(watching.overlaps, 0);
    EXPECT_EQ(watching.requestsWithoutPrivilege, 0);
}

TEST_F(PowerActions, EventActionTextNamesTheActionAndStoredStartTime) {
    TRecNextActionToActivate record;
    record.iBehavior = sbDoNothing;
    record.strFLDBehavior = "Do Nothing";
    record.strFLDStartTime = "10:00:00 PM";
    std::string text;
    ExecuteEventAction(record, text);
    EXPECT_EQ(text, "Computer Do Nothing at time: 10:00:00 PM");
    EXPECT_TRUE(fake.SimulatedRequests(kSimulationFile).empty());

    record.iBehavior = sbPowerOffByForce;
    record.strFLDBehavior = "Power Off By Force";
    ExecuteEventAction(record, text);
    EXPECT_EQ(text, "Computer Power Off By Force at time: 10:00:00 PM");
    EXPECT_EQ(fake.SimulatedRequests(kSimulationFile),
              std::vector<std::string>{"6 ExitWindowsEx 12"});
}

TEST_F(PowerActions, ToDoListOpensEveryItemInOrderWithTheHeaderLine) {
    std::vector<std::string> items{"C:\\Tools\\backup.cmd", "C:\\Docs\\notes.txt"};
    TRecNextActionToActivate record;
    record.slToDo = &items;
    fake.shellResult = 2;  // the first item fails: its box is shown, the second still opens
    std::string text;
    ExecuteToDoList(record, text);
    EXPECT_EQ(text,
              "Start to execute the following application(s) or service(s):\r\n"
              "C:\\Tools\\backup.cmd\r\nC:\\Docs\\notes.txt");
    ASSERT_EQ(fake.shellCalls.size(), 2u);
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(fake.shellCalls[i].operation, "Open");
        EXPECT_EQ(fake.shellCalls[i].file, items[i]);
        EXPECT_EQ(fake.shellCalls[i].showCmd, 5);
    }
    EXPECT_EQ(fake.messageBoxes.size(), 2u);
    EXPECT_TRUE(fake.sounds.empty());
}

TEST_F(PowerActions, SoundPlaysWithoutItemsButNotWithoutAList) {
    std::vector<std::string> none;
    TRecNextActionToActivate record;
    record.bEnableSoundAlarm = true;
    record.strSoundFile = "C:\\Media\\alarm.wav";
    std::string text = "as passed";

    ExecuteToDoList(record, text);  // no list at all
    EXPECT_TRUE(fake.sounds.empty());

    record.slToDo = &none;
    ExecuteToDoList(record, text);
    EXPECT_EQ(fake.sounds, std::vector<std::string>{"C:\\Media\\alarm.wav"});
    EXPECT_EQ(text, "as passed");
    EXPECT_TRUE(fake.shellCalls.empty());
}

}  // namespace
