#pragma once
// The POSIX side (native builds and tests) of the OS seam. One class; its methods are implemented
// by area in PosixOs.cpp (clock, process, windows, files), PosixLocale.cpp, PosixCpu.cpp,
// PosixShell.cpp (shell, message boxes, registry, mutexes) and PosixPower.cpp.

#include "platform/Os.h"

namespace os {

class PosixOs final : public Os {
  public:
    TDateTime Now() override;
    void SleepMs(unsigned ms) override;
    std::string ProgramFilePath() override;
    bool ComputerName(std::string& name) override;
    bool UserName(std::string& name) override;
    TFormatSettings UserFormatSettings() override;
    std::string SystemLongDateFormat() override;
    WindowHandle FindTopLevelWindow(const char* className, const char* windowName) override;
    bool SendCopyData(WindowHandle target, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override;
    WindowHandle ApplicationWindow() override;
    bool ReplaceFileAtomically(const std::string& source, const std::string& target) override;
    bool AppendToFile(const std::string& path, const std::string& data) override;
    bool FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) override;
    int ProcessorCount() override;
    bool QueryCpuTimes(std::int64_t& idleTime, std::int64_t& systemTime) override;
    int ShellOpen(WindowHandle owner, const char* operation, const char* file,
                  const char* parameters, const char* directory, int showCmd) override;
    void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                        unsigned flags) override;
    bool RegKeyExists(RegRoot root, const std::string& key) override;
    bool RegOpenOrCreateKey(RegRoot root, const std::string& key) override;
    bool RegWriteDword(RegRoot root, const std::string& key, const std::string& name,
                       std::uint32_t value) override;
    bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override;
    bool RegReadDword(RegRoot root, const std::string& key, const std::string& name,
                      std::uint32_t& value) override;
    bool IsNtPlatform() override;
    void AdjustShutdownPrivilege(bool enable) override;
    void RequestExitWindows(unsigned flags) override;
    void RequestPowerState(bool suspend, bool force) override;
    void PlaySoundAsync(const std::string& name) override;
    bool NamedMutexExists(const std::string& name) override;
    MutexClaim ClaimNamedMutex(const std::string& name) override;
    void ReleaseNamedMutex(const std::string& name) override;
    bool StartThread(void (*entry)(void*), void* context, std::size_t stackSize) override;
};

}  // namespace os
