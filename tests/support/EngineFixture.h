#pragma once
// A test fixture for the engine: a VirtualClockOs installed for the test, a program file in a
// fresh temporary folder (so the event file is <folder>/Config/Config.INI and the log is kept
// in memory), power requests simulated into an in-memory file, United States formats, and at the
// end every timer thread stopped and ended.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Os.h"
#include "tests/support/VirtualClockOs.h"

namespace test {

// Sets (or, with nullptr, removes) an environment variable for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name, m_old;
    bool m_had;
};

class EngineFixture : public ::testing::Test {
  protected:
    static constexpr const char* kSimulationFile = "memory:power-requests";

    EngineFixture();
    void SetUp() override;
    void TearDown() override;

    // The day the tests run on, at the given time.
    static TDateTime Today(int hour, int minute, int second, int msec = 0);
    // An enabled daily event section that started long ago, with extra key lines
    // that take precedence over its defaults.
    static std::string Event(const std::string& section, const std::string& startTime,
                             const std::string& extraLines = "");
    void WriteEventFile(const std::string& text);
    // The log entries that contain Text.
    int CountLog(const std::string& text);

    VirtualClockOs fake;
    std::string folder;

  private:
    std::unique_ptr<os::ScopedOs> m_scoped;
    std::unique_ptr<ScopedEnv> m_simulate;
};

}  // namespace test
