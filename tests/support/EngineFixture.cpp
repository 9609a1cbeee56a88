#include "tests/support/EngineFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/CommUnit.h"
#include "common/SystemInfo/CpuUsage.h"
#include "engine/ShutdownEventUnit.h"
#include "platform/Thread.h"

namespace test {

namespace {
void SetEnv(const std::string& name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name.c_str(), value ? value : "");  // an empty value removes the variable
#else
    if (value)
        ::setenv(name.c_str(), value, 1);
    else
        ::unsetenv(name.c_str());
#endif
}
}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (old) m_old = old;
    SetEnv(m_name, value);
}

ScopedEnv::~ScopedEnv() {
    SetEnv(m_name, m_had ? m_old.c_str() : nullptr);
}

EngineFixture::EngineFixture() : fake(Today(10, 0, 0)) {}

TDateTime EngineFixture::Today(int hour, int minute, int second, int msec) {
    return EncodeDate(2026, 12, 11) + EncodeTime(hour, minute, second, msec);
}

void EngineFixture::SetUp() {
    ASSERT_EQ(TThread::LiveCount(), 0) << "a thread of an earlier test still runs";
    std::random_device random;
    folder = (std::filesystem::temp_directory_path() /
              ("vesperon-engine-" + std::to_string(random()) + std::to_string(random())))
                 .string();
    const std::string sep(1, static_cast<char>(std::filesystem::path::preferred_separator));
    std::filesystem::create_directories(folder + sep + "Bin");
    std::filesystem::create_directories(folder + sep + "Config");
    fake.programFilePath = folder + sep + "Bin" + sep + "Vesperon.exe";
    fake.processorCount = 1;
    SetFormatSettings(TFormatSettings::UnitedStates());
    m_scoped = std::make_unique<os::ScopedOs>(fake);
    m_simulate = std::make_unique<ScopedEnv>("VESPERON_SIMULATE_POWER", kSimulationFile);
    SetEngineHost(TEngineHost::Desktop);
    GetCPUUsage();  // the process-wide sampler now measures from this fake's counters
}

void EngineFixture::TearDown() {
    StopTimerThreads();
    EXPECT_TRUE(fake.RunUntilAllEnded(5)) << TThread::LiveCount() << " threads still run";
    SetEngineHost(TEngineHost::Desktop);
    m_simulate.reset();
    m_scoped.reset();
    ResetFormatSettings();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::string EngineFixture::Event(const std::string& section, const std::string& startTime,
                                 const std::string& extraLines) {
    // The extra lines come first: of two equal keys the first one counts.
    return "[" + section + "]\n" + extraLines + "Title=" + section +
           "\nBehavior=6\nStartTime=" + startTime +
           "\nEnableThisEvent=1\nRPStartDate=1/1/2020\nRPRecurrenceType=0\n" + "RPInterval=1\n";
}

void EngineFixture::WriteEventFile(const std::string& text) {
    std::ofstream(GetEventFilePath(), std::ios::binary | std::ios::trunc) << text;
}

int EngineFixture::CountLog(const std::string& text) {
    int n = 0;
    for (const std::string& entry : fake.LogEntries())
        if (entry.find(text) != std::string::npos) ++n;
    return n;
}

}  // namespace test
