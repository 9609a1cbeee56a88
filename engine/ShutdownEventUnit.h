#pragma once
// The scheduling engine's event file, event record, event log, power actions and the pool of
// timer threads.
//
// Implementation files:
//   ShutdownEventUnit.cpp         event sections, the record, names, WriteLog
//   ShutdownEventActions.cpp      power actions and the ToDo launch
//   ShutdownEventScan.cpp         the daily scan and the timer-thread pool

#include <mutex>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "platform/IniFile.h"
#include "platform/Os.h"

// --- Enumerations stored in the event file ----------------------------------------------------

enum TShutdownBehavior : int {
    sbDoNothing = 0,
    sbLogOffSafely = 1,
    sbPowerOffSafely = 2,
    sbRebootSafely = 3,
    sbShutdownSafely = 4,
    sbLogOffByForce = 5,
    sbPowerOffByForce = 6,
    sbRebootByForce = 7,
    sbShutdownByForce = 8,
    sbHibernate = 9,
    sbSuspend = 10,
};

enum TRecurrenceType : int {
    rtDaily = 0,
    rtWeekly = 1,
    rtMonthly = 2,
    rtMonthNth = 3,
    rtUnknown = 4,
    rtYearly = 5,
    rtYearNth = 6,
    rtOnce = 7,
};

enum TEndType : int { etNoEnd = 0, etEndByDate = 2 };

enum TCPUDurationUnit : int { cduSeconds = 0, cduMinutes = 1, cduHours = 2 };

// --- The event record -------------------------------------------------------------------------

// One event as the engine uses it. A plain value: a copy shares slToDo with the original; the
// list belongs to whoever holds the record, and a record without a list is filled without items.
struct TRecNextActionToActivate {
    bool bHasAction = false;
    std::string strSection;
    std::string strFLDTitle;
    int iBehavior = 0;
    std::string strFLDBehavior;
    std::string strFLDStartTime;
    TDateTime dtStartTime = 0;
    TDateTime dtStartDateTime = 0;
    int iCondEffectiveDuration = 0;
    bool bCondEnableCheckCPUIdle = false;
    int iCondCPUIdleLevel = 0;
    int iCondCPUIdleDuration = 0;
    int iCondCPUIdleUnit = 0;
    bool bCondEnableCheckCPUBusy = false;
    int iCondCPUBusyLevel = 0;
    int iCondCPUBusyDuration = 0;
    int iCondCPUBusyUnit = 0;
    bool bEnableAbort = false;
    int iCountDownTime = 0;
    bool bEnableSoundAlarm = false;
    std::string strSoundFile;
    bool bEnablePasswordProtection = false;
    std::string strPassword;
    std::vector<std::string>* slToDo = nullptr;
};

// --- Event file and record (ShutdownEventUnit.cpp) --------------------------------------------

// True when the section name contains "Action" (case-sensitive).
bool IsEventSection(const std::string& sectionName);
// Fills Record from the event's section; throws EConvertError when "Password" can't be read,
// leaving the fields read before it changed (the ToDo list among those after it). Fills the
// ToDo list only when Record has one, with at most 10,000 items whatever "ToDoNum" says.
void CopySectionToRecord(const TIniFile& reader, const std::string& section,
                         TRecNextActionToActivate& record);
// Sends the section's key lines as one trace line.
void PrintSection(const TIniFile& reader, const std::string& section);
std::string GetBehaviorName(int behavior);
std::string GetRecurrenceTypeName(int recurrenceType);

// Appends one time-stamped line to this program's event log; never fails, never throws.
void WriteLog(const std::string& text);

// --- Power actions and the ToDo launch (ShutdownEventActions.cpp) -----------------------------

// Enables (or drops) the shutdown privilege of the process on the NT family; never fails.
void SetShutdownPrivilege(bool Enable);
// Takes the power action of Behavior (serialised process-wide); always true. When the
// environment variable VESPERON_SIMULATE_POWER names a file, the request is appended to it as
// one line ("6 ExitWindowsEx 12", "9 SetSystemPowerState 0 1") instead of being made.
bool DoShutdownBehavior(int Behavior);
// Sets Text to the action's log text, then takes the action.
void ExecuteEventAction(const TRecNextActionToActivate& Record, std::string& Text);
// Starts the sound alarm and opens the ToDo items; sets Text when there are items.
void ExecuteToDoList(const TRecNextActionToActivate& Record, std::string& Text);

// --- The daily scan and the timer-thread pool (ShutdownEventScan.cpp) -------------------------

enum TRefreshMode : int { rmNewEvent = 0, rmEditedEvent = 1, rmDeletedEvent = 2 };

// How a due event is carried out: the desktop program's timer threads announce it to the
// notify window; the service's open the ToDo items and take the power action themselves.
enum class TEngineHost { Desktop, Service };
void SetEngineHost(TEngineHost Host);  // Desktop until set; the service sets Service at start
TEngineHost GetEngineHost();

// Owner-thread state.
extern TRecNextActionToActivate NextActionToActivate;
extern TDateTime LastScanDate;
extern std::vector<std::string> TasksToStart;

class TThreadShutdownTimer;
// The pool: the running timer threads in the order they were added, guarded by
// TimerThreadListLock, which is held only briefly and never while waiting for a timer thread.
// The owner's operations below change it; a timer thread's destructor takes itself out.
extern std::mutex& TimerThreadListLock;
extern std::vector<TThreadShutdownTimer*>& TimerThreadList;
// The section names of the pooled threads, in pool order (a snapshot taken under the lock).
std::vector<std::string> TimerThreadSections();
// Takes Thread out of the pool if it is still there.
void RemoveTimerThread(const TThreadShutdownTimer* Thread);

// Fills Record from Section all at once: Record and its ToDo list change only when
// CopySectionToRecord succeeds (otherwise its error is thrown and Record is as it was). With
// Guard, the change is made while holding it.
void CopySectionToRecordWhole(const TIniFile& Reader, const std::string& Section,
                              TRecNextActionToActivate& Record, std::mutex* Guard = nullptr);

// Fills TasksToStart with today's pending events and NextActionToActivate with the earliest of
// them; sets LastScanDate. An event whose record can't be read is logged and left out.
void ScanEvents(const TIniFile& Reader, bool bIncludeLateConditional);
// Scans the event file and starts one timer thread per event found; an event whose thread
// can't be made is logged and left unarmed, the others are armed.
void StartTimerThreads(os::WindowHandle Window, bool bIncludeLateConditional);
// Brings the pool up to date for one created, edited or deleted event; true when a thread was
// started or refreshed. Never throws.
bool RefreshTimerThread(os::WindowHandle Window, const std::string& Section, TRefreshMode Mode);
// Empties the pool and asks every thread in it to end; does not wait.
void StopTimerThreads();
bool HasCPUCondition(const TIniFile& Reader, const std::string& Section);
