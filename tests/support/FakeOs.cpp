#include "tests/support/FakeOs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace test {

namespace {
std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
std::string RootName(os::RegRoot root) {
    return root == os::RegRoot::CurrentUser ? "hkcu" : "hklm";
}
std::string KeyPath(os::RegRoot root, const std::string& key) {
    std::string k = key;
    while (!k.empty() && k.back() == '\\') k.pop_back();
    return RootName(root) + "\\" + Lower(k);
}
}  // namespace

void SplitTraceMessage(const void* data, std::uint32_t cbData, std::string& unit,
                       std::string& text) {
    std::string message(static_cast<const char*>(data), cbData - 1);
    std::size_t unitAt = message.find('\t', message.find('\t') + 1) + 1;
    std::size_t textAt = message.find('\t', unitAt) + 1;
    unit = message.substr(unitAt, textAt - 1 - unitAt);
    text = message.substr(textAt);
}

FakeOs::FakeOs() : now(EncodeDate(2024, 12, 9) + EncodeTime(10, 33, 5, 0)) {}

TDateTime FakeOs::Now() {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    return now;
}

void FakeOs::SleepMs(unsigned ms) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    now += ms / 86400000.0;
}

bool FakeOs::ComputerName(std::string& name) {
    if (!namesAvailable) return false;
    name = computerName;
    return true;
}

bool FakeOs::UserName(std::string& name) {
    if (!namesAvailable) return false;
    name = userName;
    return true;
}

bool FakeOs::ReplaceFileAtomically(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

bool FakeOs::FileLastWriteDosDateTime(const std::string& path, std::uint32_t& dosDateTime) {
    return os::System().FileLastWriteDosDateTime(path, dosDateTime);
}

bool FakeOs::QueryCpuTimes(std::int64_t& idle, std::int64_t& system) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (cpuQueryFails) return false;
    idle = idleTime;
    system = systemTime;
    return true;
}

int FakeOs::ShellOpen(os::WindowHandle, const char* operation, const char* file, const char*,
                      const char*, int showCmd) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    shellCalls.push_back({operation ? operation : "", file ? file : "", showCmd});
    return shellResult;
}

void FakeOs::ShowMessageBox(os::WindowHandle, const std::string& text, const std::string& caption,
                            unsigned flags) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    messageBoxes.push_back({text, caption, flags});
}

bool FakeOs::RegKeyExists(os::RegRoot root, const std::string& key) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    return std::find(registryKeys.begin(), registryKeys.end(), KeyPath(root, key)) !=
           registryKeys.end();
}

bool FakeOs::RegOpenOrCreateKey(os::RegRoot root, const std::string& key) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (registryWritesFail || (root == os::RegRoot::LocalMachine && localMachineWritesFail))
        return false;
    if (!RegKeyExists(root, key)) registryKeys.push_back(KeyPath(root, key));
    return true;
}

bool FakeOs::RegWriteDword(os::RegRoot root, const std::string& key, const std::string& name,
                           std::uint32_t value) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (registryWritesFail || (root == os::RegRoot::LocalMachine && localMachineWritesFail))
        return false;
    if (!RegKeyExists(root, key)) registryKeys.push_back(KeyPath(root, key));
    registryDwords[KeyPath(root, key) + "\\" + Lower(name)] = value;
    return true;
}

bool FakeOs::RegWriteString(os::RegRoot root, const std::string& key, const std::string& name,
                            const std::string& value) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (registryWritesFail || (root == os::RegRoot::LocalMachine && localMachineWritesFail))
        return false;
    if (!RegKeyExists(root, key)) registryKeys.push_back(KeyPath(root, key));
    registryStrings[KeyPath(root, key) + "\\" + Lower(name)] = value;
    return true;
}

bool FakeOs::RegReadDword(os::RegRoot root, const std::string& key, const std::string& name,
                          std::uint32_t& value) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    auto it = registryDwords.find(KeyPath(root, key) + "\\" + Lower(name));
    if (it == registryDwords.end()) return false;
    value = it->second;
    return true;
}

bool FakeOs::NamedMutexExists(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    return namedMutexes.count(name) != 0;
}

os::MutexClaim FakeOs::ClaimNamedMutex(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (mutexClaimFails) return os::MutexClaim::Failed;
    return namedMutexes.insert(name).second ? os::MutexClaim::Claimed
                                            : os::MutexClaim::AlreadyExists;
}

void FakeOs::ReleaseNamedMutex(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    namedMutexes.erase(name);
}

void FakeOs::AdjustShutdownPrivilege(bool enable) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    privilegeSteps.push_back(enable);
}

void FakeOs::RequestExitWindows(unsigned flags) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    powerRequests.push_back("ExitWindowsEx " + std::to_string(flags));
}

void FakeOs::RequestPowerState(bool suspend, bool force) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    powerRequests.push_back("SetSystemPowerState " + std::to_string(suspend ? 1 : 0) + " " +
                            std::to_string(force ? 1 : 0));
}

void FakeOs::PlaySoundAsync(const std::string& name) {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    sounds.push_back(name);
}

}  // namespace test
