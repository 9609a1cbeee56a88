#pragma once
// The service's registration: its names, the description written at installation, the
// command-line switches of the service program and the texts it reports them with.

#include <string>
#include <vector>

constexpr const char* kServiceName = "ServiceVesperon";
constexpr const char* kServiceDisplayName = "Vesperon Service";
constexpr const char* kServiceApplicationTitle = "Vesperon Service Application";
constexpr const char* kServiceDescription =
    "Vesperon is a handy software that help you automatically shutdown, power off, reboot, "
    "hibernate, suspend or log off computers at schedule time you specifies. It gives you "
    "different ways to schedule the shutdown event for your needs, such as daily, weekly, "
    "monthly, and yearly.";

constexpr const char* kServiceInstalledText = "Service installed successfully";
constexpr const char* kServiceUninstalledText = "Service uninstalled successfully";

// "SYSTEM\CurrentControlSet\Services\" followed by the service name.
std::string ServiceRegistryKey(const std::string& serviceName);

// True when one of args is "/" or "-" followed by Name, compared without regard to case.
bool FindCmdLineSwitch(const std::vector<std::string>& args, const std::string& name);

enum class TServiceCommand { Run, Install, Uninstall };

struct TServiceCommandLine {
    TServiceCommand Command = TServiceCommand::Run;
    bool bSilent = false;
};

// Reads the switches INSTALL, UNINSTALL and SILENT; INSTALL wins when both are given.
TServiceCommandLine ParseServiceCommandLine(const std::vector<std::string>& args);

// The failure text of an installation (install true) or removal, naming the service and the
// error: Service "<name>" failed to install with error: "<error>".
std::string ServiceRegistrationFailedText(bool install, const std::string& serviceName,
                                          const std::string& error);

// Writes the description value under HKEY_LOCAL_MACHINE in the service's key, creating the key
// when missing. A key that can't be opened is not an error (nothing is written, true); false
// when the key opened but the value could not be written.
bool WriteServiceDescription(const std::string& serviceName);
