// Win32 seam: shell, message boxes, registry, named mutexes.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <map>
#include <mutex>

#include "platform/win32/Win32Os.h"

namespace os {

namespace {

HKEY RootKey(RegRoot root) {
    return root == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// The mutexes this process claimed, by name, held until released or the process ends.
std::mutex g_claimsLock;
std::map<std::string, HANDLE>& Claims() {
    static std::map<std::string, HANDLE> claims;
    return claims;
}

// Opens (creating when missing) a key for writing; null on failure.
HKEY CreateKeyForWriting(RegRoot root, const std::string& key) {
    HKEY handle = nullptr;
    LONG rc = ::RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_WRITE, nullptr, &handle, nullptr);
    return rc == ERROR_SUCCESS ? handle : nullptr;
}

bool WriteValue(RegRoot root, const std::string& key, const std::string& name, DWORD type,
                const void* data, DWORD size) {
    HKEY handle = CreateKeyForWriting(root, key);
    if (!handle) return false;
    LONG rc = ::RegSetValueExA(handle, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(handle);
    return rc == ERROR_SUCCESS;
}

}  // namespace

int Win32Os::ShellOpen(WindowHandle owner, const char* operation, const char* file,
                       const char* parameters, const char* directory, int showCmd) {
    HINSTANCE code = ::ShellExecuteA(reinterpret_cast<HWND>(owner), operation, file, parameters,
                                     directory, showCmd);
    return static_cast<int>(reinterpret_cast<INT_PTR>(code));
}

void Win32Os::ShowMessageBox(WindowHandle owner, const std::string& text,
                             const std::string& caption, unsigned flags) {
    ::MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

bool Win32Os::RegKeyExists(RegRoot root, const std::string& key) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}

bool Win32Os::RegOpenOrCreateKey(RegRoot root, const std::string& key) {
    HKEY handle = CreateKeyForWriting(root, key);
    if (!handle) return false;
    ::RegCloseKey(handle);
    return true;
}

bool Win32Os::RegWriteDword(RegRoot root, const std::string& key, const std::string& name,
                            std::uint32_t value) {
    DWORD data = value;
    return WriteValue(root, key, name, REG_DWORD, &data, sizeof data);
}

bool Win32Os::RegWriteString(RegRoot root, const std::string& key, const std::string& name,
                             const std::string& value) {
    // REG_SZ data counts the terminating NUL.
    return WriteValue(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool Win32Os::RegReadDword(RegRoot root, const std::string& key, const std::string& name,
                           std::uint32_t& value) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(RootKey(root), key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, data = 0, size = sizeof data;
    LONG rc = ::RegQueryValueExA(handle, name.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(&data), &size);
    ::RegCloseKey(handle);
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
    value = data;
    return true;
}

bool Win32Os::NamedMutexExists(const std::string& name) {
    HANDLE handle = ::OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (handle) {
        ::CloseHandle(handle);
        return true;
    }
    // Another account's mutex exists even though this one may not open it.
    return ::GetLastError() == ERROR_ACCESS_DENIED;
}

MutexClaim Win32Os::ClaimNamedMutex(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_claimsLock);
    if (Claims().count(name)) return MutexClaim::AlreadyExists;
    HANDLE handle = ::CreateMutexA(nullptr, FALSE, name.c_str());
    DWORD error = ::GetLastError();
    if (!handle)
        return error == ERROR_ACCESS_DENIED ? MutexClaim::AlreadyExists : MutexClaim::Failed;
    // An existing mutex is held too: it then lives on for as long as any claimer runs.
    Claims()[name] = handle;
    return error == ERROR_ALREADY_EXISTS ? MutexClaim::AlreadyExists : MutexClaim::Claimed;
}

void Win32Os::ReleaseNamedMutex(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_claimsLock);
    auto it = Claims().find(name);
    if (it == Claims().end()) return;
    ::CloseHandle(it->second);
    Claims().erase(it);
}

}  // namespace os
