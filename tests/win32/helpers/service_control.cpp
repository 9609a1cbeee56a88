// Test helper: asks the service control manager about a service or sends it a control, for
// what the system's sc.exe under Wine does not offer.
//   service_control.exe qc NAME        the registration, in the layout of sc qc
//   service_control.exe state NAME     the current state and the controls accepted
//   service_control.exe pause NAME     ControlService(PAUSE), then the state
//   service_control.exe continue NAME  ControlService(CONTINUE), then the state
// Exit code 0 on success, 1 on failure (the error on standard error).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "%s failed: %lu\n", what, ::GetLastError());
    return 1;
}

const char* StateName(DWORD state) {
    switch (state) {
        case SERVICE_STOPPED:
            return "STOPPED";
        case SERVICE_START_PENDING:
            return "START_PENDING";
        case SERVICE_STOP_PENDING:
            return "STOP_PENDING";
        case SERVICE_RUNNING:
            return "RUNNING";
        case SERVICE_CONTINUE_PENDING:
            return "CONTINUE_PENDING";
        case SERVICE_PAUSE_PENDING:
            return "PAUSE_PENDING";
        case SERVICE_PAUSED:
            return "PAUSED";
        default:
            return "UNKNOWN";
    }
}

int PrintState(SC_HANDLE service) {
    SERVICE_STATUS status;
    if (!::QueryServiceStatus(service, &status)) return Fail("QueryServiceStatus");
    std::printf("STATE %lu %s\nCONTROLS%s%s\n", status.dwCurrentState,
                StateName(status.dwCurrentState),
                (status.dwControlsAccepted & SERVICE_ACCEPT_STOP) ? " STOPPABLE" : "",
                (status.dwControlsAccepted & SERVICE_ACCEPT_PAUSE_CONTINUE) ? " PAUSABLE" : "");
    return 0;
}

int PrintConfig(SC_HANDLE service, const char* name) {
    DWORD needed = 0;
    ::QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<char> buffer(needed ? needed : 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!::QueryServiceConfigA(service, config, needed, &needed)) return Fail("QueryServiceConfig");
    const char* start = config->dwStartType == SERVICE_AUTO_START     ? "AUTO_START"
                        : config->dwStartType == SERVICE_DEMAND_START ? "DEMAND_START"
                                                                      : "OTHER";
    const char* error = config->dwErrorControl == SERVICE_ERROR_NORMAL ? "NORMAL" : "OTHER";
    std::string dependencies;
    for (const char* d = config->lpDependencies; d && *d; d += std::strlen(d) + 1)
        dependencies += std::string(dependencies.empty() ? "" : "/") + d;
    std::printf("SERVICE_NAME: %s\n", name);
    std::printf("        TYPE               : %lx  %s%s\n", config->dwServiceType,
                (config->dwServiceType & SERVICE_WIN32_OWN_PROCESS) ? "WIN32_OWN_PROCESS" : "",
                (config->dwServiceType & SERVICE_INTERACTIVE_PROCESS) ? " (interactive)" : "");
    std::printf("        START_TYPE         : %lu   %s\n", config->dwStartType, start);
    std::printf("        ERROR_CONTROL      : %lu   %s\n", config->dwErrorControl, error);
    std::printf("        BINARY_PATH_NAME   : %s\n", config->lpBinaryPathName);
    std::printf("        DEPENDENCIES       : %s\n", dependencies.c_str());
    std::printf("        SERVICE_START_NAME : %s\n",
                config->lpServiceStartName ? config->lpServiceStartName : "");
    std::printf("        DISPLAY_NAME       : %s\n", config->lpDisplayName);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: service_control qc|state|pause|continue NAME\n");
        return 2;
    }
    const std::string command = argv[1];
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return Fail("OpenSCManager");
    SC_HANDLE service = ::OpenServiceA(
        manager, argv[2], SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_PAUSE_CONTINUE);
    if (!service) return Fail("OpenService");
    int rc = 0;
    if (command == "qc") {
        rc = PrintConfig(service, argv[2]);
    } else if (command == "state") {
        rc = PrintState(service);
    } else if (command == "pause" || command == "continue") {
        SERVICE_STATUS status;
        const DWORD control = command == "pause" ? SERVICE_CONTROL_PAUSE : SERVICE_CONTROL_CONTINUE;
        rc = ::ControlService(service, control, &status) ? PrintState(service)
                                                         : Fail("ControlService");
    } else {
        std::fprintf(stderr, "unknown command %s\n", command.c_str());
        rc = 2;
    }
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    return rc;
}
