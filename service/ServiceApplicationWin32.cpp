// The service layer on the Win32 service control manager API.
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>

#include "platform/Os.h"
#include "service/ServiceApplicationWin32.h"
#include "service/ServiceRegistration.h"
#include "service/ServiceSessionWin32.h"

namespace {

// The one service of this process, as the control manager's callbacks reach it.
struct TDispatchState {
    TService* service = nullptr;
    TServiceApplication* application = nullptr;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    HANDLE stopped = nullptr;  // set once the service has reported itself stopped
    std::mutex lock;           // guards the status below
    DWORD currentState = SERVICE_STOPPED;
    DWORD checkPoint = 0;
};
TDispatchState g_dispatch;

DWORD ServiceType(const TService& service) {
    return SERVICE_WIN32_OWN_PROCESS | (service.Interactive ? SERVICE_INTERACTIVE_PROCESS : 0);
}

void ReportStatus(DWORD state, DWORD waitHint = 0) {
    std::lock_guard<std::mutex> lock(g_dispatch.lock);
    const TService& service = *g_dispatch.service;
    SERVICE_STATUS status = {};
    status.dwServiceType = ServiceType(service);
    status.dwCurrentState = state;
    if (state != SERVICE_START_PENDING && state != SERVICE_STOPPED) {
        if (service.AllowStop) status.dwControlsAccepted |= SERVICE_ACCEPT_STOP;
        if (service.AllowPause) status.dwControlsAccepted |= SERVICE_ACCEPT_PAUSE_CONTINUE;
    }
    status.dwWin32ExitCode = NO_ERROR;
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
                         state == SERVICE_PAUSE_PENDING || state == SERVICE_CONTINUE_PENDING;
    status.dwCheckPoint = pending ? ++g_dispatch.checkPoint : 0;
    status.dwWaitHint = waitHint;
    g_dispatch.currentState = state;
    if (!::SetServiceStatus(g_dispatch.statusHandle, &status))
        std::fprintf(stderr, "SetServiceStatus failed: %lu\n", ::GetLastError());
}

DWORD CurrentState() {
    std::lock_guard<std::mutex> lock(g_dispatch.lock);
    return g_dispatch.currentState;
}

DWORD WINAPI ServiceControlHandler(DWORD control, DWORD, void*, void*) {
    TService& service = *g_dispatch.service;
    switch (control) {
        case SERVICE_CONTROL_STOP: {
            bool stopped = true;
            service.ServiceStop(stopped);
            if (stopped) {
                ReportStatus(SERVICE_STOPPED);
                ::SetEvent(g_dispatch.stopped);
            }
            return NO_ERROR;
        }
        case SERVICE_CONTROL_PAUSE: {
            bool paused = true;
            service.ServicePause(paused);
            ReportStatus(paused ? SERVICE_PAUSED : CurrentState());
            return NO_ERROR;
        }
        case SERVICE_CONTROL_CONTINUE: {
            bool continued = true;
            service.ServiceContinue(continued);
            ReportStatus(continued ? SERVICE_RUNNING : CurrentState());
            return NO_ERROR;
        }
        case SERVICE_CONTROL_INTERROGATE:
            ReportStatus(CurrentState());
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    TService& service = *g_dispatch.service;
    g_dispatch.statusHandle =
        ::RegisterServiceCtrlHandlerExA(service.Name.c_str(), ServiceControlHandler, nullptr);
    if (!g_dispatch.statusHandle) {
        std::fprintf(stderr, "RegisterServiceCtrlHandlerEx failed: %lu\n", ::GetLastError());
        return;
    }
    ReportStatus(SERVICE_START_PENDING, 3000);
    bool started = true;
    service.ServiceStart(started);
    if (!started) {
        ReportStatus(SERVICE_STOPPED);
        return;
    }
    ReportStatus(SERVICE_RUNNING);
    // This thread is the service's until the stop has been reported.
    ::WaitForSingleObject(g_dispatch.stopped, INFINITE);
}

bool HasStandardError() {
    HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
    return handle && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// False when the parent process is known and is not the service control manager (services.exe),
// which starts every service process; true when it is, or when it can't be told.
bool MayBeStartedByServiceControlManager() {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return true;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const DWORD self = ::GetCurrentProcessId();
    DWORD parent = 0;
    bool found = false;
    for (BOOL more = ::Process32First(snapshot, &entry); more;
         more = ::Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            found = true;
            break;
        }
    }
    bool result = true;
    if (found) {
        result = false;  // a parent that has ended is not the control manager either
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32First(snapshot, &entry); more;
             more = ::Process32Next(snapshot, &entry)) {
            if (entry.th32ProcessID == parent) {
                const char* name = std::strrchr(entry.szExeFile, '\\');
                result = ::lstrcmpiA(name ? name + 1 : entry.szExeFile, "services.exe") == 0;
                break;
            }
        }
    }
    ::CloseHandle(snapshot);
    return result;
}

class TScHandle {
  public:
    explicit TScHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~TScHandle() {
        if (m_handle) ::CloseServiceHandle(m_handle);
    }
    TScHandle(const TScHandle&) = delete;
    TScHandle& operator=(const TScHandle&) = delete;
    SC_HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

  private:
    SC_HANDLE m_handle;
};

}  // namespace

void TServiceApplication::Report(const std::string& text, bool failure, bool silent) {
    if (HasStandardError()) {
        std::fprintf(stderr, "%s\n", text.c_str());
        std::fflush(stderr);
    }
    if (!silent)
        os::Current().ShowMessageBox(
            0, text, Title, os::kMbOk | (failure ? os::kMbIconStop : os::kMbIconInformation));
}

int TServiceApplication::Run(const std::vector<std::string>& args) {
    const TServiceCommandLine commandLine = ParseServiceCommandLine(args);
    switch (commandLine.Command) {
        case TServiceCommand::Install:
            return Install(commandLine.bSilent);
        case TServiceCommand::Uninstall:
            return Uninstall(commandLine.bSilent);
        case TServiceCommand::Run:
            break;
    }
    return Dispatch(commandLine.bSilent);
}

int TServiceApplication::Install(bool silent) {
    TService& service = *m_service;
    auto fail = [&](const std::string& error) {
        Report(ServiceRegistrationFailedText(true, service.DisplayName, error), true, silent);
        return 1;
    };
    TScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) return fail(SystemErrorText(::GetLastError()));
    const std::string binaryPath = "\"" + os::Current().ProgramFilePath() + "\"";
    TScHandle created(::CreateServiceA(
        manager.get(), service.Name.c_str(), service.DisplayName.c_str(), SERVICE_ALL_ACCESS,
        ServiceType(service), service.AutomaticStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START,
        service.NormalErrorSeverity ? SERVICE_ERROR_NORMAL : SERVICE_ERROR_IGNORE,
        binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr /* local system */, nullptr));
    if (!created) return fail(SystemErrorText(::GetLastError()));
    try {
        service.ServiceAfterInstall();
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    Report(kServiceInstalledText, false, silent);
    return 0;
}

int TServiceApplication::Uninstall(bool silent) {
    TService& service = *m_service;
    auto fail = [&](const std::string& error) {
        Report(ServiceRegistrationFailedText(false, service.DisplayName, error), true, silent);
        return 1;
    };
    TScHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return fail(SystemErrorText(::GetLastError()));
    TScHandle existing(::OpenServiceA(manager.get(), service.Name.c_str(), DELETE));
    if (!existing || !::DeleteService(existing.get()))
        return fail(SystemErrorText(::GetLastError()));
    Report(kServiceUninstalledText, false, silent);
    return 0;
}

int TServiceApplication::Dispatch(bool silent) {
    g_dispatch.service = m_service;
    g_dispatch.application = this;
    g_dispatch.stopped = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<char> name(m_service->Name.begin(), m_service->Name.end());
    name.push_back('\0');
    SERVICE_TABLE_ENTRYA table[] = {{name.data(), ServiceMain}, {nullptr, nullptr}};
    // Started by hand, the dispatcher may wait many seconds before it gives up: don't ask it.
    DWORD error = ERROR_FAILED_SERVICE_CONTROLLER_CONNECT;
    if (MayBeStartedByServiceControlManager()) {
        if (::StartServiceCtrlDispatcherA(table)) {
            m_serviceRan = true;
            return 0;
        }
        error = ::GetLastError();
    }
    // Started by hand: one line on standard error, or a box when there is none; a box beside
    // the line would keep a console user waiting for nothing.
    silent = silent || HasStandardError();
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
        Report(Title + " is the Windows service \"" + m_service->Name +
                   "\": install it with /INSTALL, then start it with the service control "
                   "manager (sc start " +
                   m_service->Name + ").",
               false, silent);
    } else {
        Report("The service control dispatcher failed: " + SystemErrorText(error), true, silent);
    }
    return 1;
}
