#pragma once
// The Win32 session queries and launches behind TServiceOs: WTS session and token calls,
// CreateProcessAsUser of an item's open command, and the log-off of a session.

#include <string>

#include "service/ServiceSession.h"

class TWin32UserSessions final : public TUserSessions {
  public:
    bool ActiveConsoleSession(std::uint32_t& sessionId) override;
    TTokenQuery QueryUserToken(std::uint32_t sessionId, TUserToken& token,
                               std::string& error) override;
    void CloseUserToken(TUserToken token) override;
    int OpenAsUser(TUserToken token, const std::string& item, int showCmd,
                   std::string& error) override;
    bool LogoffSession(std::uint32_t sessionId, TUserToken token, bool force,
                       std::string& error) override;
};

// The command line that opens Item with its program: a program itself, a folder in the file
// manager, a document or an address with the "open" command registered for its extension or
// scheme. Above 32 on success, else the shell code of the failure (2 no such file, 3 no such
// path, 31 no program associated).
int BuildOpenCommand(const std::string& item, std::string& commandLine);

// The system's text for a Win32 error code, without the trailing line break.
std::string SystemErrorText(unsigned long code);
