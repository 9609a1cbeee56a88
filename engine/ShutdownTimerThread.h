#pragma once
// One armed event's watcher: a self-freeing thread that wakes once a second until the event's
// start window has opened and its CPU condition has held long enough, then carries the event
// out (desktop: announces it to the notify window; service: opens the ToDo items and takes the
// power action) and ends; or ends when the event's effective duration has run out, or when its
// owner sets the terminate flag.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ShutdownEventUnit.h"
#include "platform/IniFile.h"
#include "platform/Thread.h"

class TThreadShutdownTimer : public TThread {
  public:
    // A suspended, self-freeing thread whose record is filled from Section; throws what
    // CopySectionToRecord throws (then no thread exists).
    TThreadShutdownTimer(const TIniFile& Reader, const std::string& Section,
                         os::WindowHandle NotifyWindow);
    // Logs, takes the thread out of the pool, then frees the ToDo list.
    ~TThreadShutdownTimer() override;

    // Refills recAction from Section all at once, while the thread can't read it; on a failure
    // the error is thrown and the record is as it was. Called by the owner under the pool lock.
    void RefillRecord(const TIniFile& Reader, const std::string& Section);
    // The section of the current record (read under the record lock).
    std::string Section();

    // True when now is after the start moment by at least the effective duration.
    bool IsEffectiveTimeOver();
    // True when the start moment has come and the CPU condition, if any, has held long enough;
    // takes one CPU sample once the start moment has passed.
    bool AreConditionsSatisfied();

    os::WindowHandle hNotifyWindow;
    TDateTime dtCreateTime;
    TDateTime dtConditionStart;  // this thread's own
    double dbCPUUsage = 0;       // this thread's own
    // Shared with the owner's refill: read and written only under m_recordLock.
    TRecNextActionToActivate recAction;

  protected:
    void Execute() override;

  private:
    TRecNextActionToActivate Snapshot();
    std::string Title();

    std::mutex m_recordLock;
    std::unique_ptr<std::vector<std::string>> m_toDo;
};

// Whole seconds from From to To (To not before From), counted from the milliseconds between
// them so that a difference of exactly n seconds is never read as n - 1.
long long WholeSecondsBetween(TDateTime From, TDateTime To);
// The start-window rule: open when the time of day Now is after Start (Start not midnight), or
// within CountDown seconds before it.
bool IsStartWindowOpen(TDateTime TimeOfDayNow, TDateTime Start, int CountDown);
