// The daily scan of the event file and the pool of timer threads.
#include <atomic>
#include <exception>

#include "common/CommUnit.h"
#include "common/DebugAgentUnit.h"
#include "engine/IniRecurrenceUnit.h"
#include "engine/ShutdownEventUnit.h"
#include "engine/ShutdownTimerThread.h"

namespace {

const char* const kScanUnit = "ShutdownEventUnit";

std::vector<std::string> g_nextActionToDo;
std::atomic<TEngineHost> g_engineHost{TEngineHost::Desktop};

void Trace(const std::string& text) {
    SendDebugAgentMsg(kScanUnit, kTraceLevel, text);
}

// An event whose record can't be read (a malformed password) is reported; what becomes of it
// (left unarmed, or its thread left with the record it had) is Outcome.
void LogUnreadableEvent(const std::string& section, const char* outcome,
                        const std::exception& error) {
    WriteLog("Task [" + section + "] " + outcome + ", its settings can't be read: " + error.what());
}

// Creates a thread for Section, puts it in the pool and starts it; false (and logged) when its
// record can't be read or the thread can't be started.
bool ArmTimerThread(const TIniFile& reader, const std::string& section, os::WindowHandle window) {
    TThreadShutdownTimer* thread;
    try {
        thread = new TThreadShutdownTimer(reader, section, window);
    } catch (const std::exception& error) {
        LogUnreadableEvent(section, "is not armed", error);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(TimerThreadListLock);
        TimerThreadList.push_back(thread);
    }
    if (thread->Start()) return true;
    WriteLog("Task [" + section + "] is not armed, its thread can't be started.");
    delete thread;  // never ran: its destructor takes it out of the pool
    return false;
}

// Takes Thread out of the pool and asks it to end; the caller holds the pool lock, so a thread
// that is ending can't be freed in between.
void StopPooledThread(std::vector<TThreadShutdownTimer*>::iterator it) {
    TThreadShutdownTimer* thread = *it;
    TimerThreadList.erase(it);
    thread->Terminate();
}

}  // namespace

TRecNextActionToActivate NextActionToActivate = [] {
    TRecNextActionToActivate record;
    record.slToDo = &g_nextActionToDo;
    return record;
}();
TDateTime LastScanDate = 0;
std::vector<std::string> TasksToStart;

// Never destroyed: a stopped thread may still be ending, and removing itself, at process exit.
std::mutex& TimerThreadListLock = *new std::mutex;
std::vector<TThreadShutdownTimer*>& TimerThreadList = *new std::vector<TThreadShutdownTimer*>;

void SetEngineHost(TEngineHost Host) {
    g_engineHost.store(Host);
}
TEngineHost GetEngineHost() {
    return g_engineHost.load();
}

std::vector<std::string> TimerThreadSections() {
    std::lock_guard<std::mutex> lock(TimerThreadListLock);
    std::vector<std::string> sections;
    sections.reserve(TimerThreadList.size());
    for (TThreadShutdownTimer* thread : TimerThreadList) sections.push_back(thread->Section());
    return sections;
}

void RemoveTimerThread(const TThreadShutdownTimer* Thread) {
    std::lock_guard<std::mutex> lock(TimerThreadListLock);
    for (auto it = TimerThreadList.begin(); it != TimerThreadList.end(); ++it) {
        if (*it == Thread) {
            TimerThreadList.erase(it);
            return;
        }
    }
}

void CopySectionToRecordWhole(const TIniFile& Reader, const std::string& Section,
                              TRecNextActionToActivate& Record, std::mutex* Guard) {
    std::vector<std::string> items;
    TRecNextActionToActivate fresh;
    fresh.slToDo = &items;
    CopySectionToRecord(Reader, Section, fresh);
    std::unique_lock<std::mutex> lock;
    if (Guard) lock = std::unique_lock<std::mutex>(*Guard);
    fresh.slToDo = Record.slToDo;  // the holder's list stays the holder's
    if (fresh.slToDo) fresh.slToDo->swap(items);
    Record = fresh;
}

bool HasCPUCondition(const TIniFile& Reader, const std::string& Section) {
    return Reader.ReadBool(Section, "CondEnableCheckCPUIdle", false) ||
           Reader.ReadBool(Section, "CondEnableCheckCPUBusy", false);
}

void ScanEvents(const TIniFile& Reader, bool bIncludeLateConditional) {
    Trace("ScanEvents(): Start to scan events!");
    LastScanDate = Date();
    NextActionToActivate.bHasAction = false;

    for (const std::string& name : Reader.ReadSections()) {
        if (!IsEventSection(name)) continue;
        if (!Reader.ReadBool(name, "EnableThisEvent", true)) continue;
        if (!IsDateInRecurrence(Reader, name, Date())) continue;

        TDateTime start = Reader.ReadTime(name, "StartTime", 0);
        TDateTime now = TimeOf(Now());
        Trace("strSectionToRead, dtTemp, Time:" + name + " : " + TimeToStr(start) + " : " +
              TimeToStr(now));
        bool pending = !(now > start);
        if ((bIncludeLateConditional && !pending && HasCPUCondition(Reader, name)) || pending) {
            TasksToStart.push_back(name);
            Trace("ScanEvents(): task searched: " + name);
        }

        bool earlier = !NextActionToActivate.bHasAction || start < NextActionToActivate.dtStartTime;
        if (pending && earlier) {
            try {
                CopySectionToRecordWhole(Reader, name, NextActionToActivate);
            } catch (const std::exception& error) {
                LogUnreadableEvent(name, "is not armed", error);
                TasksToStart.pop_back();  // it was added just above
            }
        }
    }
}

void StartTimerThreads(os::WindowHandle Window, bool bIncludeLateConditional) {
    // Names a failed run left behind would give their events a second thread.
    TasksToStart.clear();
    struct Cleanup {
        ~Cleanup() { TasksToStart.clear(); }
    } cleanup;

    TIniFile reader(GetEventFilePath());
    ScanEvents(reader, bIncludeLateConditional);
    for (const std::string& name : TasksToStart) ArmTimerThread(reader, name, Window);
    Trace(std::to_string(TasksToStart.size()) + " Timer Thread start!");
}

bool RefreshTimerThread(os::WindowHandle Window, const std::string& Section, TRefreshMode Mode) {
    bool started = false;
    try {
        TIniFile reader(GetEventFilePath());
        PrintSection(reader, Section);
        auto armable = [&] {
            return reader.ReadBool(Section, "EnableThisEvent", true) &&
                   IsDateInRecurrence(reader, Section, Now());
        };
        auto startNew = [&] {
            if (!armable()) return;
            if (!ArmTimerThread(reader, Section, Window)) return;
            started = true;
            Trace(Section + " starts a timer thread!");
        };

        if (Mode == rmNewEvent) {
            startNew();
        } else if (Mode == rmEditedEvent) {
            bool found = false;
            {
                std::lock_guard<std::mutex> lock(TimerThreadListLock);
                for (auto it = TimerThreadList.begin(); it != TimerThreadList.end(); ++it) {
                    if ((*it)->Section() != Section) continue;
                    found = true;
                    if (armable()) {
                        (*it)->RefillRecord(reader, Section);
                        started = true;
                        Trace(Section + " refreshes a timer thread!");
                    } else {
                        StopPooledThread(it);
                        Trace(Section + " stops a timer thread!");
                    }
                    break;
                }
            }
            if (!found) startNew();
        } else if (Mode == rmDeletedEvent) {
            std::lock_guard<std::mutex> lock(TimerThreadListLock);
            for (auto it = TimerThreadList.begin(); it != TimerThreadList.end(); ++it) {
                if ((*it)->Section() != Section) continue;
                StopPooledThread(it);
                Trace(Section + " stops a timer thread!");
                break;
            }
        }

        if (started) CopySectionToRecordWhole(reader, Section, NextActionToActivate);
    } catch (const std::exception& error) {
        // The answer says whether a thread was started or refreshed before the failure.
        LogUnreadableEvent(Section, "is not armed or refreshed", error);
    }
    return started;
}

void StopTimerThreads() {
    std::lock_guard<std::mutex> lock(TimerThreadListLock);
    Trace(std::to_string(TimerThreadList.size()) + " timer thread(s) will be stopped!");
    while (!TimerThreadList.empty()) StopPooledThread(TimerThreadList.end() - 1);
}
