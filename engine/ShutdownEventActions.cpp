// Power actions and the ToDo launch: the only place that logs off, shuts down, reboots, powers
// off, hibernates or suspends the computer.
#include <cstdlib>
#include <mutex>

#include "common/DebugAgentUnit.h"
#include "common/ShellUnit.h"
#include "engine/ShutdownEventUnit.h"

namespace {

const char* const kActionsUnit = "ShutDownEventUnit";

// ExitWindowsEx flags.
constexpr unsigned kEwxLogOff = 0, kEwxShutdown = 1, kEwxReboot = 2, kEwxForce = 4,
                   kEwxPowerOff = 8;
constexpr int kShowNormal = 5;

// The privilege belongs to the process: one request at a time, so that no call drops it while
// another is making its request.
std::mutex& ShutdownLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

struct TPowerRequest {
    enum { None, ExitWindows, PowerState } kind = None;
    unsigned flags = 0;    // ExitWindows
    bool suspend = false;  // PowerState (always forced)
};

TPowerRequest RequestOf(int behavior) {
    TPowerRequest r;
    switch (behavior) {
        case sbLogOffSafely:
            r = {TPowerRequest::ExitWindows, kEwxLogOff, false};
            break;
        case sbPowerOffSafely:
            r = {TPowerRequest::ExitWindows, kEwxPowerOff, false};
            break;
        case sbRebootSafely:
            r = {TPowerRequest::ExitWindows, kEwxReboot, false};
            break;
        case sbShutdownSafely:
            r = {TPowerRequest::ExitWindows, kEwxShutdown, false};
            break;
        case sbLogOffByForce:
            r = {TPowerRequest::ExitWindows, kEwxLogOff | kEwxForce, false};
            break;
        case sbPowerOffByForce:
            r = {TPowerRequest::ExitWindows, kEwxPowerOff | kEwxForce, false};
            break;
        case sbRebootByForce:
            r = {TPowerRequest::ExitWindows, kEwxReboot | kEwxForce, false};
            break;
        case sbShutdownByForce:
            r = {TPowerRequest::ExitWindows, kEwxShutdown | kEwxForce, false};
            break;
        case sbHibernate:
            r = {TPowerRequest::PowerState, 0, false};
            break;
        case sbSuspend:
            r = {TPowerRequest::PowerState, 0, true};
            break;
        default:
            break;  // "Do Nothing" and unknown values make no request
    }
    return r;
}

// The file named by VESPERON_SIMULATE_POWER, or empty when requests are real.
std::string SimulationFile() {
    const char* path = std::getenv("VESPERON_SIMULATE_POWER");
    return path ? std::string(path) : std::string();
}

}  // namespace

void SetShutdownPrivilege(bool Enable) {
    os::Os& system = os::Current();
    if (!system.IsNtPlatform()) return;
    system.AdjustShutdownPrivilege(Enable);
}

bool DoShutdownBehavior(int Behavior) {
    std::lock_guard<std::mutex> lock(ShutdownLock());
    SetShutdownPrivilege(true);
    TPowerRequest request = RequestOf(Behavior);
    if (request.kind != TPowerRequest::None) {
        std::string simulation = SimulationFile();
        if (!simulation.empty()) {
            std::string line = std::to_string(Behavior);
            if (request.kind == TPowerRequest::ExitWindows)
                line += " ExitWindowsEx " + std::to_string(request.flags);
            else
                line += std::string(" SetSystemPowerState ") + (request.suspend ? "1" : "0") + " 1";
            // A simulation file that can't be written loses the line, never makes the request.
            os::Current().AppendToFile(simulation, line + "\n");
        } else if (request.kind == TPowerRequest::ExitWindows) {
            os::Current().RequestExitWindows(request.flags);
        } else {
            os::Current().RequestPowerState(request.suspend, true);
        }
    }
    SetShutdownPrivilege(false);
    return true;
}

void ExecuteEventAction(const TRecNextActionToActivate& Record, std::string& Text) {
    Text = "Computer " + Record.strFLDBehavior + " at time: " + Record.strFLDStartTime;
    SendDebugAgentMsg(kActionsUnit, kTraceLevel, Text);
    DoShutdownBehavior(Record.iBehavior);
}

void ExecuteToDoList(const TRecNextActionToActivate& Record, std::string& Text) {
    if (!Record.slToDo) return;
    const std::vector<std::string>& items = *Record.slToDo;
    if (!items.empty()) Text = "Start to execute the following application(s) or service(s):";
    if (Record.bEnableSoundAlarm) os::Current().PlaySoundAsync(Record.strSoundFile);
    for (const std::string& item : items) {
        Text += "\r\n" + item;
        ShellExecuteFile(os::Current().ApplicationWindow(), "Open", item.c_str(), nullptr, nullptr,
                         kShowNormal);
        SendDebugAgentMsg(kActionsUnit, kTraceLevel, "Start ToDo: " + item);
    }
}
