#include "engine/ShutdownTimerThread.h"

#include <cmath>

#include "common/CommUnit.h"
#include "common/SystemInfo/CpuUsage.h"

namespace {

constexpr double kMsPerDay = 86400000.0;

long long DurationSeconds(int duration, int unit) {
    switch (unit) {
        case cduMinutes:
            return duration * 60LL;
        case cduHours:
            return duration * 3600LL;
        default:
            return duration;  // seconds; the editor writes no other unit
    }
}

// Leading and trailing blanks, line breaks and other control characters removed.
std::string Trim(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

}  // namespace

long long WholeSecondsBetween(TDateTime From, TDateTime To) {
    return std::llround((To - From) * kMsPerDay) / 1000;
}

bool IsStartWindowOpen(TDateTime TimeOfDayNow, TDateTime Start, int CountDown) {
    if (Start > 0 && TimeOfDayNow > Start) return true;
    if (TimeOfDayNow >= Start) return false;  // so a start at exactly midnight never opens
    return WholeSecondsBetween(TimeOfDayNow, Start) <= CountDown;
}

TThreadShutdownTimer::TThreadShutdownTimer(const TIniFile& Reader, const std::string& Section,
                                           os::WindowHandle NotifyWindow)
    : hNotifyWindow(NotifyWindow),
      dtCreateTime(Now()),
      dtConditionStart(dtCreateTime),
      m_toDo(new std::vector<std::string>) {
    recAction.slToDo = m_toDo.get();
    CopySectionToRecord(Reader, Section, recAction);
    WriteLog("Create Thread of task [" + recAction.strFLDTitle + "]");
    FreeOnTerminate = true;
}

TThreadShutdownTimer::~TThreadShutdownTimer() {
    WriteLog("Destroy Thread of task [" + Title() + "]");
    // Out of the pool first: once removed, no refill can reach this thread's ToDo list.
    RemoveTimerThread(this);
    {
        std::lock_guard<std::mutex> lock(m_recordLock);
        recAction.slToDo = nullptr;
    }
    m_toDo.reset();
}

void TThreadShutdownTimer::RefillRecord(const TIniFile& Reader, const std::string& Section) {
    CopySectionToRecordWhole(Reader, Section, recAction, &m_recordLock);
}

std::string TThreadShutdownTimer::Section() {
    std::lock_guard<std::mutex> lock(m_recordLock);
    return recAction.strSection;
}

std::string TThreadShutdownTimer::Title() {
    std::lock_guard<std::mutex> lock(m_recordLock);
    return recAction.strFLDTitle;
}

TRecNextActionToActivate TThreadShutdownTimer::Snapshot() {
    std::lock_guard<std::mutex> lock(m_recordLock);
    TRecNextActionToActivate copy = recAction;
    copy.slToDo = nullptr;  // the list stays behind the lock
    return copy;
}

bool TThreadShutdownTimer::IsEffectiveTimeOver() {
    TRecNextActionToActivate rec = Snapshot();
    TDateTime now = Now();
    return now > rec.dtStartDateTime &&
           WholeSecondsBetween(rec.dtStartDateTime, now) >= rec.iCondEffectiveDuration * 3600LL;
}

bool TThreadShutdownTimer::AreConditionsSatisfied() {
    TRecNextActionToActivate rec = Snapshot();
    TDateTime now = Now();
    if (now < rec.dtStartDateTime) {
        dtConditionStart = now;
        return false;
    }
    dbCPUUsage = GetCPUUsage();
    bool satisfied = true;
    if (rec.bCondEnableCheckCPUIdle) {
        if (dbCPUUsage > rec.iCondCPUIdleLevel) {
            dtConditionStart = now;
            return false;
        }
        satisfied = WholeSecondsBetween(dtConditionStart, now) >=
                    DurationSeconds(rec.iCondCPUIdleDuration, rec.iCondCPUIdleUnit);
    } else if (rec.bCondEnableCheckCPUBusy) {
        if (dbCPUUsage < rec.iCondCPUBusyLevel) {
            dtConditionStart = now;
            return false;
        }
        satisfied = WholeSecondsBetween(dtConditionStart, now) >=
                    DurationSeconds(rec.iCondCPUBusyDuration, rec.iCondCPUBusyUnit);
    }
    if (satisfied) WriteLog("The conditions of Task " + rec.strFLDTitle + " are satisfied now!");
    return satisfied;
}

void TThreadShutdownTimer::Execute() {
    WriteLog("Start Thread of task [" + Title() + "]");
    bool fired = false;
    while (!Terminated() && !fired) {
        if (IsEffectiveTimeOver()) {
            TRecNextActionToActivate rec = Snapshot();
            WriteLog("Task " + rec.strFLDTitle + " does not start in the effective time(" +
                     std::to_string(rec.iCondEffectiveDuration) +
                     " h), task's start time: " + DateTimeToStr(dtCreateTime) + " ");
            Terminate();
            break;
        }
        TRecNextActionToActivate rec = Snapshot();
        if (IsStartWindowOpen(TimeOf(Now()), rec.dtStartTime, rec.iCountDownTime) &&
            AreConditionsSatisfied()) {
            fired = true;
            rec = Snapshot();
            if (GetEngineHost() == TEngineHost::Desktop) {
                // No lock is held here: the receiver is the owner, which may be refilling.
                SendStringMessageToWindow(hNotifyWindow, rec.strSection, 0);
            } else {
                std::vector<std::string> items;
                {
                    std::lock_guard<std::mutex> lock(m_recordLock);
                    if (recAction.slToDo) items = *recAction.slToDo;
                }
                rec.slToDo = &items;
                std::string toDoText;
                ExecuteToDoList(rec, toDoText);
                std::string text = Trim(toDoText);
                if (!text.empty()) text += "\r\n";
                std::string actionText;
                ExecuteEventAction(rec, actionText);
                WriteLog(text + actionText);
            }
            WriteLog("Thread of task [" + rec.strFLDTitle + "] has finished the job, terminate.");
            Terminate();
        }
        os::Current().SleepMs(1000);
    }
    WriteLog("Stop Thread of task [" + Title() + "]");
}
