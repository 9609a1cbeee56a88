#include "platform/Thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/Os.h"

namespace {

// One lock and one condition for the thread counts, the end of a work method and the release of
// a hold. Allocated once and never destroyed, so that a self-freeing thread that is still ending
// while the process exits never touches a destroyed object.
struct ThreadState {
    std::mutex mutex;
    std::condition_variable changed;
    int live = 0;
};

ThreadState& State() {
    static ThreadState* state = new ThreadState;
    return *state;
}

}  // namespace

TThread::TThread(std::size_t stackSize) : m_stackSize(stackSize) {}

TThread::~TThread() = default;

bool TThread::Start() {
    if (m_started.exchange(true)) return false;
    ThreadState& state = State();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        ++state.live;
    }
    if (os::Current().StartThread(&TThread::Run, this, m_stackSize)) return true;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        --state.live;
    }
    state.changed.notify_all();
    m_started.store(false);
    return false;
}

void TThread::Resume() {
    ThreadState& state = State();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        m_held.store(false);
    }
    state.changed.notify_all();
    if (!m_started.load()) Start();
}

void TThread::Suspend() {
    m_held.store(true);
}

void TThread::WaitWhileHeld() {
    ThreadState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    state.changed.wait(lock, [this] { return !m_held.load(); });
}

void TThread::WaitFor() {
    if (!m_started.load()) return;
    ThreadState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    state.changed.wait(lock, [this] { return m_finished.load(); });
}

int TThread::LiveCount() {
    ThreadState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.live;
}

bool TThread::WaitForAllThreads(unsigned timeoutMs) {
    ThreadState& state = State();
    std::unique_lock<std::mutex> lock(state.mutex);
    return state.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&state] { return state.live == 0; });
}

void TThread::Run(void* self) {
    TThread* thread = static_cast<TThread*>(self);
    try {
        thread->Execute();
    } catch (...) {
        // A failure of the work ends this thread only, never the process.
    }
    ThreadState& state = State();
    if (thread->FreeOnTerminate) {
        delete thread;
    } else {
        std::lock_guard<std::mutex> lock(state.mutex);
        thread->m_finished.store(true);
    }
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        --state.live;
    }
    state.changed.notify_all();
}
