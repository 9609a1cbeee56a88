#pragma once
// The service's worker: once a second it decides whether the service or the desktop program is
// in charge of the day's shutdown events, and keeps the service's timer threads in step with
// that decision, with changes of the event file and with the date.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/DateTime.h"
#include "platform/Os.h"
#include "platform/Thread.h"

class TThreadVesperon;

// The service object's hold on its worker. The worker frees itself when its run ends, possibly
// long before the service stops; the link outlives it, so that a control request after that
// touches nothing freed and does nothing.
class TVesperonThreadLink {
  public:
    // Starts the suspended worker, or releases it from a hold.
    void Resume();
    // Asks the worker to rest at the end of its current cycle (its timer threads run on); the
    // hold is the worker's own, so it never rests holding the log or the pool's lock.
    void Hold();
    // Asks the worker to end after its current cycle; releases a hold so that it can.
    void Terminate();
    // Wait in real time, up to timeoutMs, until the worker rests in a hold / has been destroyed;
    // true when it does / has.
    bool WaitUntilResting(unsigned timeoutMs);
    bool WaitUntilDestroyed(unsigned timeoutMs);

  private:
    friend class TThreadVesperon;
    std::mutex m_lock;
    std::condition_variable m_changed;
    TThreadVesperon* m_worker = nullptr;  // null once the worker is being destroyed
    bool m_started = false;
    bool m_held = false;
    bool m_resting = false;
    bool m_destroyed = false;
};

class TThreadVesperon : public TThread {
  public:
    // The engine calls the worker makes; ProgramEngine() binds this program's engine, tests
    // bind fakes.
    struct TEngine {
        std::function<void(os::WindowHandle, bool)> StartTimerThreads;
        std::function<void()> StopTimerThreads;
        std::function<TDateTime()> LastScanDate;
    };
    static TEngine ProgramEngine();

    // The notify window the service's timer threads are armed with: it names no window.
    static constexpr os::WindowHandle kNoNotifyWindow = 0x7FFFFFFF;

    // Logs the creation line, reads the event file's time; created suspended, frees itself.
    explicit TThreadVesperon(TEngine engine = ProgramEngine());
    // Stops the timer threads and logs the destruction line.
    ~TThreadVesperon() override;

    std::shared_ptr<TVesperonThreadLink> Link() const { return m_link; }

    // The file's last-write time as a local date-time in 2-second steps; 0 when its attributes
    // can't be read or its time can't be converted.
    static TDateTime GetFileDateTime(const std::string& Path);
    // True once for each new last-write time of the event file (a vanished file reads as 0).
    bool IsEventFileChanged();

    TDateTime dtLastWriteTime = 0;
    std::string strEventFile;

  protected:
    void Execute() override;

  private:
    // One cycle: search for the desktop program, stop or (re)arm the timer threads, wait.
    void Cycle(bool& bTimersStopped);
    // The desktop program runs when its window or its running mutex exists.
    bool IsDesktopProgramRunning();
    void RestAtEndOfCycle();

    TEngine m_engine;
    std::shared_ptr<TVesperonThreadLink> m_link;
};
