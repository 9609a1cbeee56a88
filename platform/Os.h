#pragma once
// The OS seam: every service the portable core needs from the operating system goes through
// os::Current(). The Win32 implementation lives in platform/win32, the POSIX one in
// platform/posix; tests install a fake (tests/support/FakeOs.h) with os::Install.
//
// Names here never repeat Win32 API names, so that <windows.h> macros cannot rewrite them.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/DateTime.h"

namespace os {

// A window handle as an integer; 0 means no window.
using WindowHandle = std::uintptr_t;

enum class RegRoot { CurrentUser, LocalMachine };

// The outcome of claiming a named mutex.
enum class MutexClaim { Claimed, AlreadyExists, Failed };

// Message box flags, with the values of the Win32 MB_ constants.
enum : unsigned {
    kMbOk = 0x0,
    kMbIconStop = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconInformation = 0x40,
    kMbSystemModal = 0x1000,
    kMbTopMost = 0x40000,
};

class Os {
  public:
    virtual ~Os() = default;

    // --- Clock -------------------------------------------------------------------------------
    // The current local date-time (days since 30 December 1899, time as fraction).
    virtual TDateTime Now() = 0;
    // Pauses the calling thread; a fake advances virtual time instead.
    virtual void SleepMs(unsigned ms) = 0;

    // --- Process -----------------------------------------------------------------------------
    // Full path of the running program file, backslash separated on Windows.
    virtual std::string ProgramFilePath() = 0;
    // The computer's name; false when it can't be had (or does not fit 255 bytes).
    virtual bool ComputerName(std::string& name) = 0;
    // The account name of the calling thread; false when it can't be had.
    virtual bool UserName(std::string& name) = 0;

    // --- Regional settings -------------------------------------------------------------------
    // The current user's date and time formats, separators, AM/PM texts and day/month names.
    virtual TFormatSettings UserFormatSettings() = 0;
    // The long date format of the system's default locale.
    virtual std::string SystemLongDateFormat() = 0;

    // --- Windows and messages ----------------------------------------------------------------
    // Top-level window with that class and title (null matches any); 0 when none.
    virtual WindowHandle FindTopLevelWindow(const char* className, const char* windowName) = 0;
    // Sends WM_COPYDATA synchronously (wParam 0); false when the window does not exist.
    virtual bool SendCopyData(WindowHandle target, std::uintptr_t dwData, const void* data,
                              std::uint32_t cbData) = 0;
    // The program's hidden application window (the owner of message boxes); may be 0.
    virtual WindowHandle ApplicationWindow() = 0;

    // --- Files -------------------------------------------------------------------------------
    // Replaces target by source in one step (source is removed); false on failure.
    virtual bool ReplaceFileAtomically(const std::string& source, const std::string& target) = 0;
    // Appends data to the file, creating the file when missing (never its folder). While it
    // writes, other processes may only read the file (Win32: share mode read). False on failure.
    virtual bool AppendToFile(const std::string& path, const std::string& data) = 0;
    // The file's last-write time as a local packed DOS date (high word) and time (low word);
    // false when the file's attributes can't be read or the time can't be converted.
    virtual bool FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) = 0;

    // --- CPU counters ------------------------------------------------------------------------
    // Number of processors, read once; 0 when the query failed.
    virtual int ProcessorCount() = 0;
    // Cumulative idle time of all processors and the system time of day, 100-ns units.
    virtual bool QueryCpuTimes(std::int64_t& idleTime, std::int64_t& systemTime) = 0;

    // --- Shell and message boxes -------------------------------------------------------------
    // The shell's execute call; returns its code (above 32 is success).
    virtual int ShellOpen(WindowHandle owner, const char* operation, const char* file,
                          const char* parameters, const char* directory, int showCmd) = 0;
    // Shows a message box with the kMb flags and waits until it is closed.
    virtual void ShowMessageBox(WindowHandle owner, const std::string& text,
                                const std::string& caption, unsigned flags) = 0;

    // --- Registry ----------------------------------------------------------------------------
    virtual bool RegKeyExists(RegRoot root, const std::string& key) = 0;
    // Opens the key for writing, creating it when missing, and closes it; false when it can't.
    virtual bool RegOpenOrCreateKey(RegRoot root, const std::string& key) = 0;
    // Opens the key, creating it when missing, and writes one value.
    virtual bool RegWriteDword(RegRoot root, const std::string& key, const std::string& name,
                               std::uint32_t value) = 0;
    virtual bool RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                                const std::string& value) = 0;
    // Reads a DWORD value of an existing key; false when key or value is missing or not a DWORD.
    virtual bool RegReadDword(RegRoot root, const std::string& key, const std::string& name,
                              std::uint32_t& value) = 0;

    // --- Power -------------------------------------------------------------------------------
    // True on the Windows NT family (version platform identifier 2).
    virtual bool IsNtPlatform() = 0;
    // Enables or drops SeShutdownPrivilege in the process token; failures are ignored.
    virtual void AdjustShutdownPrivilege(bool enable) = 0;
    // ExitWindowsEx(flags, 0); the result is ignored. POSIX: does nothing.
    virtual void RequestExitWindows(unsigned flags) = 0;
    // SetSystemPowerState(suspend, force); the result is ignored. POSIX: does nothing.
    virtual void RequestPowerState(bool suspend, bool force) = 0;
    // PlaySoundA(name, 0, SND_ASYNC); POSIX: does nothing.
    virtual void PlaySoundAsync(const std::string& name) = 0;

    // --- Synchronisation ---------------------------------------------------------------------
    // True when a named mutex of that name exists (Win32: in the given namespace of the name).
    virtual bool NamedMutexExists(const std::string& name) = 0;
    // Creates the named mutex and holds it until ReleaseNamedMutex or the end of the process;
    // AlreadyExists when it exists already (Win32: also when another user's process holds it;
    // an existing mutex that can be opened is held all the same).
    virtual MutexClaim ClaimNamedMutex(const std::string& name) = 0;
    // Lets go of a mutex this process claimed; does nothing for any other name.
    virtual void ReleaseNamedMutex(const std::string& name) = 0;

    // --- Threads -----------------------------------------------------------------------------
    // Starts entry(context) on a new, detached OS thread that reserves stackSize bytes of stack;
    // false when the thread can't be created. The default forwards to System(), so fakes and
    // decorators start real threads.
    virtual bool StartThread(void (*entry)(void*), void* context, std::size_t stackSize);
};

// The implementation in force: the installed one, else the system's.
Os& Current();
// The real implementation of this build.
Os& System();
// Installs a replacement (tests); nullptr restores the system's. Not for use while other
// threads call Current().
void Install(Os* replacement);

// Installs a replacement for the lifetime of the object.
class ScopedOs {
  public:
    explicit ScopedOs(Os& replacement) { Install(&replacement); }
    ~ScopedOs() { Install(nullptr); }
    ScopedOs(const ScopedOs&) = delete;
    ScopedOs& operator=(const ScopedOs&) = delete;
};

}  // namespace os
