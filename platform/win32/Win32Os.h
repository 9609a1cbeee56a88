#pragma once
// The Win32 side of the OS seam. One class; its methods are implemented by area in
// Win32Os.cpp (clock, process, windows, files), Win32Locale.cpp, Win32Cpu.cpp, Win32Shell.cpp
// (shell, message boxes, registry, mutexes) and Win32Power.cpp.

#include "platform/Os.h"

namespace os {

class Win32Os final : public Os {
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

namespace os::win32 {
// The desktop program's hidden application window, the owner of its message boxes.
void SetApplicationWindow(WindowHandle window);
}  // namespace os::win32
