#pragma once
// A thread object in the manner of the engine's workers: created suspended, started by its
// owner, asked to end through a terminate flag that its work method looks at, and (when
// FreeOnTerminate is set) deleted on its own thread once its work method returns.
//
// The OS thread is started through the seam (os::Current().StartThread) with a modest stack, so
// that hundreds of armed timer threads cost little memory.

#include <atomic>
#include <cstddef>

class TThread {
  public:
    // The stack a thread reserves unless its constructor asks for another size.
    static constexpr std::size_t kDefaultStackSize = 256 * 1024;

    // A suspended thread; nothing runs until Start.
    explicit TThread(std::size_t stackSize = kDefaultStackSize);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts the work method on a new OS thread; false (nothing started) when the OS refuses
    // or the thread was started before. A self-freeing thread must not be touched by its
    // starter after Start unless something else keeps it alive (the engine's pool lock does).
    bool Start();
    // Starts a suspended thread, or releases a thread held by Suspend.
    void Resume();
    // Asks the work method to come to rest at its next WaitWhileHeld; Resume releases it.
    void Suspend();

    // Sets the terminate flag; safe from any thread at any time.
    void Terminate() { m_terminated.store(true, std::memory_order_release); }
    bool Terminated() const { return m_terminated.load(std::memory_order_acquire); }

    // When true (set it before Start), the thread deletes itself after its work method returns.
    bool FreeOnTerminate = false;

    // Waits until the work method of a thread that does not free itself has returned.
    void WaitFor();

    // Threads started and not yet ended (a self-freeing thread ends after its destructor).
    static int LiveCount();
    // Waits, in real time, up to timeoutMs for LiveCount to reach 0; true when it did.
    static bool WaitForAllThreads(unsigned timeoutMs);

  protected:
    // The thread's work; exceptions that escape it are swallowed so they never end the process.
    virtual void Execute() = 0;
    // Blocks while the thread is held by Suspend; call it at a safe point of the work.
    void WaitWhileHeld();

  private:
    static void Run(void* self);

    std::size_t m_stackSize;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_held{false};
};
