#pragma once
// Common services: program folders, window messaging and the single-instance guard, message
// boxes, registry helpers, day names and week-day masks.
//
// Implementation files: CommUnit.cpp, CommUnitWeekMask.cpp (week-day masks).

#include <cstdint>
#include <string>

#include "platform/DateTime.h"
#include "platform/Os.h"

// The named mutex the desktop program holds while it runs, in the global namespace, so that the
// service (in another session) can see it.
constexpr const char* kDesktopRunningMutexName = "Global\\VesperonDesktopProgramRunning";
// The single-instance guard's mutex: one desktop program per session, as the window search that
// it backs up finds the windows of its own session only.
constexpr const char* kSingleInstanceMutexName = "Local\\VesperonDesktopProgramInstance";

// --- Program folders (string work only) -------------------------------------------------------
// Both build strings from os::Current().ProgramFilePath() and never look at the disk. A backslash
// or a colon separates components; on non-Windows builds a slash does too, and the parts appended
// are joined with a slash unless the program path is backslash separated.
std::string GetEventFilePath();  // <program folder>\..\Config\Config.INI
std::string GetLogFilePath();    // <program folder>\Log\<program file name>.log

// --- Window messaging and the single-instance guard -------------------------------------------
// The title that marks a running desktop program (its hidden application window and its main
// window); the service looks for it to stand back.
constexpr const char* kApplicationTitle = "Vesperon";

// Hands Text to Window as one synchronous WM_COPYDATA (dwData Param, cbData the length + 1,
// lpData a NUL-terminated copy freed after the send) and sends a trace line; true in every case,
// a Window that no longer exists included.
bool SendStringMessageToWindow(os::WindowHandle Window, const std::string& Text,
                               std::uint32_t Param);

// The application object as the single-instance guard uses it; the desktop program implements it
// over its hidden application window.
class TApplicationBase {
  public:
    virtual ~TApplicationBase() = default;
    virtual std::string GetTitle() = 0;  // the hidden application window's title
    virtual void SetTitle(const std::string& Title) = 0;
    virtual std::uintptr_t GetInstanceHandle() = 0;  // the program module's instance handle
    virtual void Terminate() = 0;                    // asks the message loop to end
};

// True when another desktop program runs: the mutex kSingleInstanceMutexName exists already, or a
// top-level window carries the application's title while the application's own window is titled
// "OnlyOne" + its decimal instance handle. Application has then been asked to end, and this
// process holds no mutex. Otherwise false, and this process holds that mutex and (shared with
// any other session's desktop program) kDesktopRunningMutexName until it ends.
// Holding the mutex, a window found counts only when it is still there 2 seconds on (a copy
// started at the same moment is giving way meanwhile); when the mutex can't be created at all,
// one window search alone decides.
bool IsAnotherInstanceRunning(TApplicationBase& Application);

// --- Message boxes -----------------------------------------------------------------------------
// 0 and 3 "Information", 1 "Exclamation", 2 "Warning", 4 "Question", 5 "Stop", 6 "Error",
// 7 "Stop Now"; every other value "Information".
using TMsgBoxKind = int;

// Shows Text with the kind's caption and icon and an OK button, top-most and system-modal, owned
// by os::Current().ApplicationWindow(), and returns when the box is closed.
void ShowMsgBox(TMsgBoxKind Kind, const std::string& Text);

// --- Window position and run at log-on (registry) ---------------------------------------------
// A window whose size and place are kept in the registry; the forms implement it.
struct TFormBounds {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};
class TFormBase {
  public:
    virtual ~TFormBase() = default;
    virtual std::string GetCaption() = 0;
    virtual TFormBounds GetBounds() = 0;  // pixels, screen coordinates
    virtual void SetHeight(int Height) = 0;
    virtual void SetLeft(int Left) = 0;
    virtual void SetTop(int Top) = 0;
    virtual void SetWidth(int Width) = 0;
    virtual void CentreOnScreen() = 0;  // the form opens centred on the screen
};

// "Software\Travenic\Vesperon\2.0\Vesperon\" + Caption + "\Position", under HKEY_CURRENT_USER.
std::string GetFormPositionKey(const std::string& Caption);
constexpr const char* kAutoRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// Writes Height, Left, Top and Width (DWORDs) under the form's position key. When the key can't be
// opened nothing happens; a failed write ends the call with a trace line, earlier values staying.
void SaveFormPosition(TFormBase& Form);
// Applies Height, Left, Top and Width from the form's position key one at a time; true when all
// four were read. No key: the form is centred, false. A missing or non-DWORD value: a trace line,
// the values applied so far stay, false.
bool LoadFormPosition(TFormBase& Form);
// Writes Name = ExePath in double quotes (inner quotes doubled) under the Run key of
// HKEY_LOCAL_MACHINE, else of HKEY_CURRENT_USER; failures are silent.
void RegisterAutoRun(const std::string& Name, const std::string& ExePath);

// --- Day names ---------------------------------------------------------------------------------
// LongDateFormat with every "dddd" made "ddd"; else with " ddd" appended when it holds no "ddd".
std::string MakeLongDateFormatShortDay(const std::string& LongDateFormat);
// MakeLongDateFormatShortDay of the system's long date format, read once.
std::string GetLongDateFormatShortDay();
// The user's long (Long true) or short day name of Date.
std::string GetDayName(bool Long, TDateTime Date);

// --- Week-day masks (CommUnitWeekMask.cpp) ----------------------------------------------------
int MakeWeekMask(bool Sun, bool Mon, bool Tue, bool Wed, bool Thu, bool Fri, bool Sat);
bool IsDayInWeekMask(int Mask, int Day);  // Day 1 Sunday .. 7 Saturday
int GetTodayWeekMask();
// True when D is the Instance-th (1..4, 5 last) day of its month whose day is in Mask.
bool IsNthDayOfMonthByWeekMask(int Instance, int Mask, TDateTime D);
