#pragma once
// The service object: its registration properties and control events. All scheduling work is
// done by the worker thread and the engine it drives.

#include <memory>

#include "service/ServiceApplicationWin32.h"
#include "service/ServiceSession.h"
#include "service/VesperonThread.h"

class TServiceVesperon final : public TService {
  public:
    // Runs ServiceCreate.
    TServiceVesperon();
    // Leaves the decorated seam in force: a thread that outlived WaitForWorkerEnd may still use
    // it until the process has ended.
    ~TServiceVesperon() override;

    // The service's one worker, created suspended; it frees itself when its run ends, so the
    // service object holds it through its link.
    std::shared_ptr<TVesperonThreadLink> WorkerThread;

    void ServiceCreate();
    // Makes this process the service's (engine host, decorated OS seam), then resumes the worker.
    void ServiceStart(bool& Started) override;
    // Asks the worker to end and reports stopped at once.
    void ServiceStop(bool& Stopped) override;
    void ServicePause(bool& Paused) override;
    void ServiceContinue(bool& Continued) override;
    // Writes the description; throws when the value can't be written.
    void ServiceAfterInstall() override;

    // After the stop: waits, a few seconds at most, for the worker and its timer threads to
    // end, so that their last lines reach the event log before the process ends.
    void WaitForWorkerEnd();

  private:
    std::unique_ptr<TUserSessions> m_sessions;
    std::unique_ptr<TServiceOs> m_serviceOs;
};
