#include "service/ServiceRegistration.h"

#include <cctype>

#include "platform/Os.h"

std::string ServiceRegistryKey(const std::string& serviceName) {
    return "SYSTEM\\CurrentControlSet\\Services\\" + serviceName;
}

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

bool FindCmdLineSwitch(const std::vector<std::string>& args, const std::string& name) {
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) continue;
        if (SameTextIgnoringCase(arg.substr(1), name)) return true;
    }
    return false;
}

TServiceCommandLine ParseServiceCommandLine(const std::vector<std::string>& args) {
    TServiceCommandLine result;
    if (FindCmdLineSwitch(args, "INSTALL"))
        result.Command = TServiceCommand::Install;
    else if (FindCmdLineSwitch(args, "UNINSTALL"))
        result.Command = TServiceCommand::Uninstall;
    result.bSilent = FindCmdLineSwitch(args, "SILENT");
    return result;
}

std::string ServiceRegistrationFailedText(bool install, const std::string& serviceName,
                                          const std::string& error) {
    return "Service \"" + serviceName + "\" failed to " + (install ? "install" : "uninstall") +
           " with error: \"" + error + "\"";
}

bool WriteServiceDescription(const std::string& serviceName) {
    os::Os& system = os::Current();
    const std::string key = ServiceRegistryKey(serviceName);
    // A key that can't be opened leaves the service without a description; the installation
    // still counts as done.
    if (!system.RegOpenOrCreateKey(os::RegRoot::LocalMachine, key)) return true;
    return system.RegWriteString(os::RegRoot::LocalMachine, key, "Description",
                                 kServiceDescription);
}
