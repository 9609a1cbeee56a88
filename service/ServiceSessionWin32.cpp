// Win32 session queries and launches for the service: the active console session, its user's
// token, CreateProcessAsUser of an item's open command, and the log-off of that session.
#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlwapi.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <cctype>
#include <vector>

#include "common/DebugAgentUnit.h"
#include "service/ServiceSessionWin32.h"

namespace {

constexpr int kShellSuccess = 42;  // any code above 32

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The scheme of an address such as http://host or mailto:name, or empty. A drive letter (one
// character before the colon) is no scheme.
std::string SchemeOf(const std::string& item) {
    const std::size_t colon = item.find(':');
    if (colon == std::string::npos || colon < 2) return std::string();
    for (std::size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(item[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return std::string();
    }
    return item.substr(0, colon);
}

// The extension of the file name, dot included, lower case; empty when it has none.
std::string ExtensionOf(const std::string& item) {
    const std::size_t name = item.find_last_of("\\/:");
    const std::size_t dot = item.rfind('.');
    if (dot == std::string::npos || (name != std::string::npos && dot < name)) return std::string();
    return Lower(item.substr(dot));
}

// A string value of a key under HKEY_CLASSES_ROOT (environment strings expanded); false when
// there is none.
bool ClassesValue(const std::string& key, std::string& value) {
    char buffer[2048];
    DWORD size = sizeof buffer;
    if (::RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr,
                       RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, buffer,
                       &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return !value.empty();
}

// The "open" command registered for an extension or a scheme; false when there is none. The
// shell's association query first; where it has no answer (as under Wine), the classes keys.
bool AssociatedOpenCommand(const std::string& key, std::string& command) {
    // shlwapi is not among the libraries this program links, so the call is looked up.
    using AssocQueryStringAFn = HRESULT(WINAPI*)(ASSOCF, ASSOCSTR, LPCSTR, LPCSTR, LPSTR, DWORD*);
    static HMODULE shlwapi = ::LoadLibraryA("shlwapi.dll");
    static auto assocQueryString =
        shlwapi ? reinterpret_cast<AssocQueryStringAFn>(
                      reinterpret_cast<void*>(::GetProcAddress(shlwapi, "AssocQueryStringA")))
                : nullptr;
    char buffer[2048];
    DWORD size = sizeof buffer;
    if (assocQueryString &&
        assocQueryString(ASSOCF_NONE, ASSOCSTR_COMMAND, key.c_str(), "open", buffer, &size) ==
            S_OK &&
        buffer[0]) {
        char expanded[4096];
        const DWORD n = ::ExpandEnvironmentStringsA(buffer, expanded, sizeof expanded);
        command = (n > 0 && n <= sizeof expanded) ? expanded : buffer;
        return true;
    }
    std::string progId;
    if (key[0] == '.' && ClassesValue(key, progId) &&
        ClassesValue(progId + "\\shell\\open\\command", command))
        return true;
    return ClassesValue(key + "\\shell\\open\\command", command);
}

// Fills the placeholders of an open command: %1 and %L the item, %* and other arguments
// nothing; the item is appended in quotes when the command names no place for it.
std::string FillOpenCommand(const std::string& command, const std::string& item) {
    std::string result;
    bool placed = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        if (command[i] != '%' || i + 1 == command.size()) {
            result += command[i];
            continue;
        }
        const char next = command[++i];
        if (next == '1' || next == 'L' || next == 'l') {
            result += item;
            placed = true;
        } else if (next == '%') {
            result += '%';
        }  // %* and %2.. stand for arguments an item has none of
    }
    if (!placed) result += " \"" + item + "\"";
    return result;
}

int ShellCodeOfError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return SE_ERR_FNF;
        case ERROR_PATH_NOT_FOUND:
            return SE_ERR_PNF;
        case ERROR_ACCESS_DENIED:
            return SE_ERR_ACCESSDENIED;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return SE_ERR_OOM;
        case ERROR_BAD_EXE_FORMAT:
            return 11;  // the shell's code for an invalid program file
        case ERROR_SHARING_VIOLATION:
            return SE_ERR_SHARE;
        default:
            return kShellFailureLogged;
    }
}

// Starts a command line as the token's user on the interactive desktop; a shell code.
int CreateProcessForUser(HANDLE token, const std::string& commandLine, int showCmd,
                         DWORD extraFlags, std::string& error) {
    void* environment = nullptr;
    if (!::CreateEnvironmentBlock(&environment, token, FALSE)) environment = nullptr;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char desktop[] = "winsta0\\default";
    startup.lpDesktop = desktop;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCmd);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    const BOOL created =
        ::CreateProcessAsUserA(token, nullptr, line.data(), nullptr, nullptr, FALSE,
                               extraFlags | (environment ? CREATE_UNICODE_ENVIRONMENT : 0),
                               environment, nullptr, &startup, &process);
    const DWORD lastError = ::GetLastError();
    if (environment) ::DestroyEnvironmentBlock(environment);
    if (!created) {
        error = SystemErrorText(lastError);
        return ShellCodeOfError(lastError);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return kShellSuccess;
}

}  // namespace

std::string SystemErrorText(unsigned long code) {
    char buffer[512];
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                               code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "error " + std::to_string(code);
    return text;
}

int BuildOpenCommand(const std::string& item, std::string& commandLine) {
    if (item.empty()) return SE_ERR_FNF;
    const std::string scheme = SchemeOf(item);
    if (!scheme.empty()) {
        std::string command;
        if (!AssociatedOpenCommand(scheme, command)) return SE_ERR_NOASSOC;
        commandLine = FillOpenCommand(command, item);
        return kShellSuccess;
    }
    const DWORD attributes = ::GetFileAttributesA(item.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ::GetLastError() == ERROR_PATH_NOT_FOUND ? SE_ERR_PNF : SE_ERR_FNF;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        commandLine = "explorer.exe \"" + item + "\"";
        return kShellSuccess;
    }
    const std::string extension = ExtensionOf(item);
    if (extension == ".exe" || extension == ".com") {
        commandLine = "\"" + item + "\"";
        return kShellSuccess;
    }
    if (extension == ".bat" || extension == ".cmd") {
        commandLine = "cmd.exe /c \"" + item + "\"";
        return kShellSuccess;
    }
    std::string command;
    if (extension.empty() || !AssociatedOpenCommand(extension, command)) return SE_ERR_NOASSOC;
    commandLine = FillOpenCommand(command, item);
    return kShellSuccess;
}

bool TWin32UserSessions::ActiveConsoleSession(std::uint32_t& sessionId) {
    const DWORD id = ::WTSGetActiveConsoleSessionId();
    if (id == 0xFFFFFFFF) return false;
    sessionId = id;
    return true;
}

TTokenQuery TWin32UserSessions::QueryUserToken(std::uint32_t sessionId, TUserToken& token,
                                               std::string& error) {
    HANDLE handle = nullptr;
    if (::WTSQueryUserToken(sessionId, &handle)) {
        token = reinterpret_cast<TUserToken>(handle);
        return TTokenQuery::Ok;
    }
    const DWORD lastError = ::GetLastError();
    if (lastError == ERROR_NO_TOKEN) return TTokenQuery::NoUser;
    error = SystemErrorText(lastError);
    return TTokenQuery::Failed;
}

void TWin32UserSessions::CloseUserToken(TUserToken token) {
    if (token) ::CloseHandle(reinterpret_cast<HANDLE>(token));
}

int TWin32UserSessions::OpenAsUser(TUserToken token, const std::string& item, int showCmd,
                                   std::string& error) {
    std::string commandLine;
    const int code = BuildOpenCommand(item, commandLine);
    if (code <= 32) return code;
    SendDebugAgentMsg("ServiceSession", kTraceLevel, "Open as the session's user: " + commandLine);
    return CreateProcessForUser(reinterpret_cast<HANDLE>(token), commandLine, showCmd, 0, error);
}

bool TWin32UserSessions::LogoffSession(std::uint32_t sessionId, TUserToken token, bool force,
                                       std::string& error) {
    if (force) {
        // Ends the session's programs without asking them.
        if (::WTSLogoffSession(WTS_CURRENT_SERVER_HANDLE, sessionId, FALSE)) return true;
        error = SystemErrorText(::GetLastError());
        return false;
    }
    // A log-off that programs may refuse can only be asked for from inside the session: the
    // user's own shutdown.exe makes it there.
    char system[MAX_PATH];
    const UINT n = ::GetSystemDirectoryA(system, MAX_PATH);
    const std::string program =
        (n > 0 && n < MAX_PATH) ? std::string(system) + "\\shutdown.exe" : "shutdown.exe";
    return CreateProcessForUser(reinterpret_cast<HANDLE>(token), "\"" + program + "\" /l", SW_HIDE,
                                CREATE_NO_WINDOW, error) > 32;
}
