// The engine as the service drives it, on the real clock: an event due in two seconds is carried
// out by its own timer thread. Power requests go to this test's simulation file only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/CommUnit.h"
#include "engine/ShutdownEventUnit.h"
#include "platform/Os.h"
#include "platform/Thread.h"

namespace {

std::string Folder(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(EngineService, AnEventDueInTwoSecondsIsCarriedOutByItsTimerThread) {
    const std::string exe = os::System().ProgramFilePath();
    const std::string bin = Folder(exe);
    std::filesystem::create_directories(Folder(bin) + "\\Config");
    std::filesystem::create_directories(bin + "\\Log");
    const std::string simulation = bin + "\\Log\\engine_service_power.txt";
    ASSERT_EQ(::_putenv_s("VESPERON_SIMULATE_POWER", simulation.c_str()), 0);
    std::remove(simulation.c_str());
    std::remove(GetLogFilePath().c_str());

    const TDateTime now = Now();
    if (TimeOf(now) > EncodeTime(23, 59, 0, 0)) GTEST_SKIP() << "SKIPPED: too close to midnight";
    const std::string startTime = TimeToStr(now + 2 / 86400.0);
    std::ofstream(GetEventFilePath(), std::ios::binary | std::ios::trunc)
        << "[Action1]\r\nTitle=Service check\r\nBehavior=6\r\nStartTime=" << startTime
        << "\r\nEnableThisEvent=1\r\nRPStartDate=" << DateToStr(Date() - 1)
        << "\r\nRPRecurrenceType=0\r\nRPInterval=1\r\n";

    SetEngineHost(TEngineHost::Service);
    StartTimerThreads(0x7FFFFFFF, true);
    EXPECT_EQ(TimerThreadSections(), std::vector<std::string>{"Action1"});
    ASSERT_TRUE(TThread::WaitForAllThreads(15000)) << "the timer thread did not end";
    EXPECT_TRUE(TimerThreadSections().empty());

    std::string requests = ReadAll(simulation);
    EXPECT_EQ(requests.substr(0, requests.find_first_of("\r\n")), "6 ExitWindowsEx 12");

    const std::string log = ReadAll(GetLogFilePath());
    const std::vector<std::string> expected = {
        "Create Thread of task [Service check]",
        "Start Thread of task [Service check]",
        "The conditions of Task Service check are satisfied now!",
        "Computer Power Off By Force at time: " + startTime,
        "Thread of task [Service check] has finished the job, terminate.",
        "Stop Thread of task [Service check]",
        "Destroy Thread of task [Service check]",
    };
    std::size_t at = 0;
    for (const std::string& line : expected) {
        std::size_t found = log.find(line, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
        at = found + line.size();
    }
}

}  // namespace
