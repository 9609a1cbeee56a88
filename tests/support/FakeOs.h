#pragma once
// A fake OS for tests: a virtual clock, fixed names and format settings, no windows, an
// in-memory registry, recorded message boxes, shell calls and power requests. Tests override
// what they need, or set the public fields.

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Os.h"

namespace test {

// Splits a trace message (computer TAB user TAB unit TAB text, cbData counting the NUL) into its
// unit name and text.
void SplitTraceMessage(const void* data, std::uint32_t cbData, std::string& unit,
                       std::string& text);

class FakeOs : public os::Os {
  public:
    FakeOs();

    // Virtual clock: Now() returns `now`; SleepMs advances it by the pause.
    TDateTime now;
    std::string programFilePath = "C:\\Apps\\Vesperon\\Bin\\Vesperon.exe";
    std::string computerName = "OFFICE7";
    std::string userName = "operator";
    bool namesAvailable = true;
    TFormatSettings formatSettings = TFormatSettings::UnitedStates();

    struct MessageBoxCall {
        std::string text, caption;
        unsigned flags;
    };
    struct ShellCall {
        std::string operation, file;
        int showCmd;
    };
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<ShellCall> shellCalls;
    int shellResult = 42;                    // above 32: success
    std::vector<std::string> powerRequests;  // "ExitWindowsEx 12", "SetSystemPowerState 1 1"
    std::vector<std::string> sounds;
    std::vector<bool> privilegeSteps;
    bool ntPlatform = true;
    int processorCount = 2;
    std::int64_t idleTime = 0, systemTime = 0;
    bool cpuQueryFails = false;
    std::map<std::string, std::uint32_t> registryDwords;  // "root\key\name" lower-cased key
    std::map<std::string, std::string> registryStrings;
    std::vector<std::string> registryKeys;  // keys created, lower-cased "root\key"
    bool registryWritesFail = false;
    bool localMachineWritesFail = false;
    std::set<std::string> namedMutexes;  // existing named mutexes, this process's claims included
    bool mutexClaimFails = false;

    TDateTime Now() override;
    void SleepMs(unsigned ms) override;
    std::string ProgramFilePath() override { return programFilePath; }
    bool ComputerName(std::string& name) override;
    bool UserName(std::string& name) override;
    TFormatSettings UserFormatSettings() override { return formatSettings; }
    std::string SystemLongDateFormat() override { return formatSettings.LongDateFormat; }
    os::WindowHandle FindTopLevelWindow(const char*, const char*) override { return 0; }
    bool SendCopyData(os::WindowHandle, std::uintptr_t, const void*, std::uint32_t) override {
        return false;
    }
    os::WindowHandle ApplicationWindow() override { return 0; }
    bool ReplaceFileAtomically(const std::string& source, const std::string& target) override;
    bool AppendToFile(const std::string& path, const std::string& data) override {
        return os::System().AppendToFile(path, data);
    }
    bool FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) override;
    int ProcessorCount() override { return processorCount; }
    bool QueryCpuTimes(std::int64_t& idle, std::int64_t& system) override;
    int ShellOpen(os::WindowHandle, const char* operation, const char* file, const char*,
                  const char*, int showCmd) override;
    void ShowMessageBox(os::WindowHandle, const std::string& text, const std::string& caption,
                        unsigned flags) override;
    bool RegKeyExists(os::RegRoot root, const std::string& key) override;
    bool RegOpenOrCreateKey(os::RegRoot root, const std::string& key) override;
    bool RegWriteDword(os::RegRoot root, const std::string& key, const std::string& name,
                       std::uint32_t value) override;
    bool RegWriteString(os::RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override;
    bool RegReadDword(os::RegRoot root, const std::string& key, const std::string& name,
                      std::uint32_t& value) override;
    bool IsNtPlatform() override { return ntPlatform; }
    void AdjustShutdownPrivilege(bool enable) override;
    void RequestExitWindows(unsigned flags) override;
    void RequestPowerState(bool suspend, bool force) override;
    void PlaySoundAsync(const std::string& name) override;
    bool NamedMutexExists(const std::string& name) override;
    os::MutexClaim ClaimNamedMutex(const std::string& name) override;
    void ReleaseNamedMutex(const std::string& name) override;

    // Guards every recorded vector and the clock.
    std::recursive_mutex mutex;
};

}  // namespace test
