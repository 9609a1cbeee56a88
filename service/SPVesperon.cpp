#include "service/SPVesperon.h"

#include <cstdlib>
#include <stdexcept>

#include "engine/ShutdownEventUnit.h"
#include "service/ServiceRegistration.h"
#include "service/ServiceSessionWin32.h"

TServiceVesperon::TServiceVesperon() {
    Name = kServiceName;
    DisplayName = kServiceDisplayName;
    Interactive = true;
    AutomaticStart = true;
    NormalErrorSeverity = true;
    AllowStop = true;
    AllowPause = true;
    ServiceCreate();
}

TServiceVesperon::~TServiceVesperon() {
    (void)m_serviceOs.release();
    (void)m_sessions.release();
}

void TServiceVesperon::ServiceCreate() {
    // The worker frees itself at the end of its run; the link stays with the service object.
    WorkerThread = (new TThreadVesperon())->Link();
}

void TServiceVesperon::ServiceStart(bool& Started) {
    SetEngineHost(TEngineHost::Service);
    // Before the worker runs, no other thread of this process uses the seam.
    m_sessions = std::make_unique<TWin32UserSessions>();
    m_serviceOs = std::make_unique<TServiceOs>(os::System(), *m_sessions);
    os::Install(m_serviceOs.get());
    if (const char* simulated = std::getenv("VESPERON_SIMULATE_POWER"); simulated && *simulated)
        WriteLog(std::string("Power requests are simulated: they are appended to ") + simulated);
    WorkerThread->Resume();
    Started = true;
}

void TServiceVesperon::ServiceStop(bool& Stopped) {
    WorkerThread->Terminate();
    Stopped = true;
}

void TServiceVesperon::ServicePause(bool& Paused) {
    WorkerThread->Hold();
    Paused = true;
}

void TServiceVesperon::ServiceContinue(bool& Continued) {
    WorkerThread->Resume();
    Continued = true;
}

void TServiceVesperon::ServiceAfterInstall() {
    if (!WriteServiceDescription(Name))
        throw std::runtime_error("The service's description could not be written.");
}

void TServiceVesperon::WaitForWorkerEnd() {
    // A cycle lasts up to three seconds; a timer thread ends within one after being told.
    if (WorkerThread->WaitUntilDestroyed(5000)) TThread::WaitForAllThreads(2000);
}
