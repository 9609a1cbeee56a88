#include "service/VesperonThread.h"

#include <chrono>
#include <exception>

#include "common/CommUnit.h"
#include "common/DebugAgentUnit.h"
#include "engine/ShutdownEventUnit.h"

namespace {

constexpr const char* kUnitName = "TThreadVesperon";

void Trace(const std::string& text) {
    SendDebugAgentMsg(kUnitName, kTraceLevel, text);
}

}  // namespace

// --- TVesperonThreadLink ------------------------------------------------------------------------

void TVesperonThreadLink::Resume() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_held = false;
        if (m_worker && !m_started) {
            m_started = true;
            m_worker->Start();
        }
    }
    m_changed.notify_all();
}

void TVesperonThreadLink::Hold() {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_worker) m_held = true;
}

void TVesperonThreadLink::Terminate() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_worker) return;
        m_worker->Terminate();
        // A held worker only sees its end request once released.
        m_held = false;
    }
    m_changed.notify_all();
}

bool TVesperonThreadLink::WaitUntilResting(unsigned timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_resting; });
}

bool TVesperonThreadLink::WaitUntilDestroyed(unsigned timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [this] { return m_destroyed; });
}

// --- TThreadVesperon ----------------------------------------------------------------------------

TThreadVesperon::TEngine TThreadVesperon::ProgramEngine() {
    TEngine engine;
    engine.StartTimerThreads = [](os::WindowHandle window, bool bIncludeLateConditional) {
        StartTimerThreads(window, bIncludeLateConditional);
    };
    engine.StopTimerThreads = [] { StopTimerThreads(); };
    engine.LastScanDate = [] { return LastScanDate; };
    return engine;
}

TThreadVesperon::TThreadVesperon(TEngine engine)
    : m_engine(std::move(engine)), m_link(std::make_shared<TVesperonThreadLink>()) {
    WriteLog("Create Vesperon Service Application");
    strEventFile = GetEventFilePath();
    dtLastWriteTime = GetFileDateTime(strEventFile);
    m_link->m_worker = this;
    FreeOnTerminate = true;
}

TThreadVesperon::~TThreadVesperon() {
    {
        std::lock_guard<std::mutex> lock(m_link->m_lock);
        m_link->m_worker = nullptr;
    }
    m_engine.StopTimerThreads();
    WriteLog("Destory Vesperon Service Application");
    {
        std::lock_guard<std::mutex> lock(m_link->m_lock);
        m_link->m_destroyed = true;
    }
    m_link->m_changed.notify_all();
}

TDateTime TThreadVesperon::GetFileDateTime(const std::string& Path) {
    std::uint32_t dos = 0;
    if (!os::Current().FileLastWriteDosDateTime(Path, dos)) return 0;
    const unsigned date = dos >> 16, time = dos & 0xFFFF;
    TDateTime day = 0, timeOfDay = 0;
    if (!TryEncodeDate(static_cast<int>((date >> 9) + 1980), static_cast<int>((date >> 5) & 15),
                       static_cast<int>(date & 31), day) ||
        !TryEncodeTime(static_cast<int>(time >> 11), static_cast<int>((time >> 5) & 63),
                       static_cast<int>((time & 31) * 2), 0, timeOfDay))
        return 0;
    return day + timeOfDay;
}

bool TThreadVesperon::IsEventFileChanged() {
    const TDateTime t = GetFileDateTime(strEventFile);
    if (t == dtLastWriteTime) return false;
    dtLastWriteTime = t;
    Trace(strEventFile + ", the last write time changed!");
    return true;
}

bool TThreadVesperon::IsDesktopProgramRunning() {
    const os::WindowHandle wndHandle = FindWindowInAllOS(nullptr, "Vesperon");
    Trace("FindWindowInAllOS, wndHandle: " + std::to_string(wndHandle));
    // The window is invisible from another session (a service's); the desktop program's
    // mutex in the global namespace is not.
    return wndHandle != 0 || os::Current().NamedMutexExists(kDesktopRunningMutexName);
}

void TThreadVesperon::Cycle(bool& bTimersStopped) {
    os::Os& system = os::Current();
    if (IsDesktopProgramRunning()) {
        if (!bTimersStopped) {
            WriteLog("Stop timer threads when user starts Vesperon program.");
            m_engine.StopTimerThreads();
            bTimersStopped = true;
        }
    } else {
        Trace("Vesperon Service Application is in loop status.");
        if (IsEventFileChanged()) {
            system.SleepMs(1000);
            WriteLog("Stop timer threads when user changes the shutdown events.");
            m_engine.StopTimerThreads();
            bTimersStopped = true;
        }
        if (bTimersStopped || Date() != DateOf(m_engine.LastScanDate())) {
            system.SleepMs(1000);
            WriteLog(
                "Start/restart timer threads when user closes Vesperon Program, user changes the "
                "shutdown events or it changes to the next date.");
            bTimersStopped = false;
            m_engine.StartTimerThreads(kNoNotifyWindow, true);
        }
    }
    system.SleepMs(1000);
}

void TThreadVesperon::RestAtEndOfCycle() {
    std::unique_lock<std::mutex> lock(m_link->m_lock);
    if (!m_link->m_held) return;
    m_link->m_resting = true;
    m_link->m_changed.notify_all();
    m_link->m_changed.wait(lock, [this] { return !m_link->m_held; });
    m_link->m_resting = false;
}

void TThreadVesperon::Execute() {
    WriteLog("Start Vesperon Service Application");
    bool bTimersStopped = true;
    while (!Terminated()) {
        try {
            Cycle(bTimersStopped);
        } catch (const std::exception& error) {
            // A failed arming must not leave the service looking alive with no schedule: log it
            // and try again when the event file or the date changes.
            WriteLog(std::string("Failed to start or stop timer threads: ") + error.what());
            bTimersStopped = false;
            os::Current().SleepMs(1000);
        }
        RestAtEndOfCycle();
    }
    WriteLog("Stop Vesperon Service Application!");
}
