#include "service/ServiceSession.h"

#include "engine/ShutdownEventUnit.h"

std::string MessageBoxLogLine(const std::string& caption, const std::string& text) {
    std::string line = caption + ": ";
    bool inBreak = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            inBreak = true;
            continue;
        }
        if (inBreak && line.back() != ' ') line += ' ';
        inBreak = false;
        line += c;
    }
    return line;
}

void TServiceOs::ShowMessageBox(os::WindowHandle, const std::string& text,
                                const std::string& caption, unsigned) {
    WriteLog(MessageBoxLogLine(caption, text));
}

bool TServiceOs::ConsoleUser(const std::string& what, std::uint32_t& sessionId, TUserToken& token) {
    token = 0;
    if (!m_sessions.ActiveConsoleSession(sessionId)) {
        WriteLog(what + ", no user is logged on.");
        return false;
    }
    std::string error;
    switch (m_sessions.QueryUserToken(sessionId, token, error)) {
        case TTokenQuery::Ok:
            return true;
        case TTokenQuery::NoUser:
            WriteLog(what + ", no user is logged on.");
            return false;
        case TTokenQuery::Failed:
            break;
    }
    WriteLog(what + ", the logged-on user's token can't be had: " + error);
    return false;
}

int TServiceOs::ShellOpen(os::WindowHandle, const char*, const char* file, const char*, const char*,
                          int showCmd) {
    const std::string item = file ? file : "";
    std::uint32_t sessionId = 0;
    TUserToken token = 0;
    if (!ConsoleUser("ToDo item not opened: " + item, sessionId, token)) return kShellFailureLogged;
    std::string error;
    const int code = m_sessions.OpenAsUser(token, item, showCmd, error);
    m_sessions.CloseUserToken(token);
    if (code == kShellFailureLogged)
        WriteLog("ToDo item not opened: " + item + ", in the user's session: " + error);
    return code;
}

void TServiceOs::RequestExitWindows(unsigned flags) {
    constexpr unsigned kLogOff = 0, kForce = 4;
    if (flags != kLogOff && flags != (kLogOff | kForce)) {
        m_inner.RequestExitWindows(flags);
        return;
    }
    std::uint32_t sessionId = 0;
    TUserToken token = 0;
    if (!ConsoleUser("Log off not done", sessionId, token)) return;
    std::string error;
    if (!m_sessions.LogoffSession(sessionId, token, (flags & kForce) != 0, error))
        WriteLog("Log off of console session " + std::to_string(sessionId) + " failed: " + error);
    m_sessions.CloseUserToken(token);
}
