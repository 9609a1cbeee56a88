#pragma once
// The service runs in a session of its own, where it can't see, show to or act for the
// logged-on user. TServiceOs decorates the system's OS seam for the service: message boxes go to
// the event log, ToDo items open in the active console user's session with that user's own
// token, and log-offs log that session off. Every other call goes to the decorated seam.
//
// The session queries and launches are injected (TUserSessions); the Win32 ones are in
// ServiceSessionWin32.cpp.

#include <cstdint>
#include <string>

#include "platform/Os.h"

// A logged-on user's token, as an integer; 0 means none.
using TUserToken = std::uintptr_t;

enum class TTokenQuery { Ok, NoUser, Failed };

// A shell code that means failure and has no explanation text, so the launcher shows nothing
// more: the reason has been logged already.
constexpr int kShellFailureLogged = 1;

class TUserSessions {
  public:
    virtual ~TUserSessions() = default;
    // The session attached to the physical console; false when there is none.
    virtual bool ActiveConsoleSession(std::uint32_t& sessionId) = 0;
    // The token of the user logged on to the session: NoUser when nobody is, Failed (with an
    // error text) when it can't be had.
    virtual TTokenQuery QueryUserToken(std::uint32_t sessionId, TUserToken& token,
                                       std::string& error) = 0;
    virtual void CloseUserToken(TUserToken token) = 0;
    // Opens the item as the token's user on that user's desktop with the item's open command;
    // a shell code: above 32 success, else one of the launcher's explained codes, or
    // kShellFailureLogged with an error text.
    virtual int OpenAsUser(TUserToken token, const std::string& item, int showCmd,
                           std::string& error) = 0;
    // Logs the session off; forced, programs can't refuse. False with an error text on failure.
    virtual bool LogoffSession(std::uint32_t sessionId, TUserToken token, bool force,
                               std::string& error) = 0;
};

// The text of a message box as one log line: caption, ": ", the text with its line breaks
// turned into single spaces.
std::string MessageBoxLogLine(const std::string& caption, const std::string& text);

class TServiceOs final : public os::Os {
  public:
    TServiceOs(os::Os& inner, TUserSessions& sessions) : m_inner(inner), m_sessions(sessions) {}

    // Writes the box to the event log as one line instead of showing it.
    void ShowMessageBox(os::WindowHandle owner, const std::string& text, const std::string& caption,
                        unsigned flags) override;
    // Opens the file in the active console user's session; with no user, or no token, logs
    // that the item was not opened.
    int ShellOpen(os::WindowHandle owner, const char* operation, const char* file,
                  const char* parameters, const char* directory, int showCmd) override;
    // Log off (flags 0) and forced log off (4) act on the active console session; with no user
    // logged on one line is logged and nothing is done. Other requests go to the decorated seam.
    void RequestExitWindows(unsigned flags) override;

    TDateTime Now() override { return m_inner.Now(); }
    void SleepMs(unsigned ms) override { m_inner.SleepMs(ms); }
    std::string ProgramFilePath() override { return m_inner.ProgramFilePath(); }
    bool ComputerName(std::string& name) override { return m_inner.ComputerName(name); }
    bool UserName(std::string& name) override { return m_inner.UserName(name); }
    TFormatSettings UserFormatSettings() override { return m_inner.UserFormatSettings(); }
    std::string SystemLongDateFormat() override { return m_inner.SystemLongDateFormat(); }
    os::WindowHandle FindTopLevelWindow(const char* className, const char* windowName) override {
        return m_inner.FindTopLevelWindow(className, windowName);
    }
    bool SendCopyData(os::WindowHandle target, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override {
        return m_inner.SendCopyData(target, dwData, data, cbData);
    }
    os::WindowHandle ApplicationWindow() override { return m_inner.ApplicationWindow(); }
    bool ReplaceFileAtomically(const std::string& source, const std::string& target) override {
        return m_inner.ReplaceFileAtomically(source, target);
    }
    bool AppendToFile(const std::string& path, const std::string& data) override {
        return m_inner.AppendToFile(path, data);
    }
    bool FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) override {
        return m_inner.FileLastWriteDosDateTime(path, dosDateTime);
    }
    int ProcessorCount() override { return m_inner.ProcessorCount(); }
    bool QueryCpuTimes(std::int64_t& idleTime, std::int64_t& systemTime) override {
        return m_inner.QueryCpuTimes(idleTime, systemTime);
    }
    bool RegKeyExists(os::RegRoot root, const std::string& key) override {
        return m_inner.RegKeyExists(root, key);
    }
    bool RegOpenOrCreateKey(os::RegRoot root, const std::string& key) override {
        return m_inner.RegOpenOrCreateKey(root, key);
    }
    bool RegWriteDword(os::RegRoot root, const std::string& key, const std::string& name,
                       std::uint32_t value) override {
        return m_inner.RegWriteDword(root, key, name, value);
    }
    bool RegWriteString(os::RegRoot root, const std::string& key, const std::string& name,
                        const std::string& value) override {
        return m_inner.RegWriteString(root, key, name, value);
    }
    bool RegReadDword(os::RegRoot root, const std::string& key, const std::string& name,
                      std::uint32_t& value) override {
        return m_inner.RegReadDword(root, key, name, value);
    }
    bool IsNtPlatform() override { return m_inner.IsNtPlatform(); }
    void AdjustShutdownPrivilege(bool enable) override { m_inner.AdjustShutdownPrivilege(enable); }
    void RequestPowerState(bool suspend, bool force) override {
        m_inner.RequestPowerState(suspend, force);
    }
    void PlaySoundAsync(const std::string& name) override { m_inner.PlaySoundAsync(name); }
    bool NamedMutexExists(const std::string& name) override {
        return m_inner.NamedMutexExists(name);
    }
    os::MutexClaim ClaimNamedMutex(const std::string& name) override {
        return m_inner.ClaimNamedMutex(name);
    }
    void ReleaseNamedMutex(const std::string& name) override { m_inner.ReleaseNamedMutex(name); }
    bool StartThread(void (*entry)(void*), void* context, std::size_t stackSize) override {
        return m_inner.StartThread(entry, context, stackSize);
    }

  private:
    // The token of the active console session's user, or the reason there is none (logged with
    // the prefix what as "<what>, no user is logged on..."); false when there is none.
    bool ConsoleUser(const std::string& what, std::uint32_t& sessionId, TUserToken& token);

    os::Os& m_inner;
    TUserSessions& m_sessions;
};
