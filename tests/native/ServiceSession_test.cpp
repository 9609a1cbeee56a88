// The service's decorated OS seam: message boxes to the log, ToDo items opened as the console
// user, log-offs of the console session; and the service's registration helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ShellUnit.h"
#include "engine/ShutdownEventUnit.h"
#include "service/ServiceRegistration.h"
#include "service/ServiceSession.h"
#include "tests/support/EngineFixture.h"
#include "tests/support/FakeOs.h"

namespace {

// Injected session queries with a record of what was asked.
struct FakeSessions : TUserSessions {
    bool hasSession = true;
    TTokenQuery tokenResult = TTokenQuery::Ok;
    int openCode = 42;
    std::string openError;
    bool logoffOk = true;
    std::vector<std::string> calls;

    bool ActiveConsoleSession(std::uint32_t& sessionId) override {
        sessionId = 3;
        return hasSession;
    }
    TTokenQuery QueryUserToken(std::uint32_t sessionId, TUserToken& token,
                               std::string& error) override {
        calls.push_back("token " + std::to_string(sessionId));
        if (tokenResult == TTokenQuery::Ok) token = 77;
        if (tokenResult == TTokenQuery::Failed) error = "Access is denied.";
        return tokenResult;
    }
    void CloseUserToken(TUserToken token) override {
        calls.push_back("close " + std::to_string(token));
    }
    int OpenAsUser(TUserToken token, const std::string& item, int showCmd,
                   std::string& error) override {
        calls.push_back("open " + std::to_string(token) + " " + item + " " +
                        std::to_string(showCmd));
        error = openError;
        return openCode;
    }
    bool LogoffSession(std::uint32_t sessionId, TUserToken token, bool force,
                       std::string& error) override {
        calls.push_back("logoff " + std::to_string(sessionId) + " " + std::to_string(token) +
                        (force ? " forced" : " safely"));
        if (!logoffOk) error = "The RPC server is unavailable.";
        return logoffOk;
    }
};

class ServiceOsTest : public test::EngineFixture {
  protected:
    FakeSessions sessions;
};

// Puts a seam in force for its lifetime and then gives the fixture's fake back.
class InForce {
  public:
    InForce(os::Os& replacement, os::Os& previous) : m_previous(previous) {
        os::Install(&replacement);
    }
    ~InForce() { os::Install(&m_previous); }

  private:
    os::Os& m_previous;
};

TEST(ServiceSession, MessageBoxBecomesOneLogLine) {
    struct Case {
        const char* caption;
        const char* text;
        const char* line;
    } cases[] = {
        {"Information", "Saved.", "Information: Saved."},
        {"Error", "Not found.\r\n\r\n\r\nTo success:\r\n1, make sure\r\n",
         "Error: Not found. To success: 1, make sure"},
        {"Error", "a\nb", "Error: a b"},
        {"Warning", "", "Warning: "},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageBoxLogLine(c.caption, c.text), c.line);
}

TEST_F(ServiceOsTest, ShellFailuresAndBoxesGoToTheLogInsteadOfTheScreen) {
    sessions.openCode = 2;  // the file is gone
    TServiceOs serviceOs(fake, sessions);
    InForce scoped(serviceOs, fake);
    ShellExecuteFile(0, "Open", "C:\\gone.txt", nullptr, nullptr, 5);
    EXPECT_TRUE(fake.messageBoxes.empty()) << "a box was shown from the service";
    const std::vector<std::string> log = fake.LogEntries();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("Error: The specified file was not found. To success executing this "
                           "application: 1, please make sure that C:\\gone.txt",
                           0),
              0u)
        << log[0];
    EXPECT_EQ(sessions.calls,
              (std::vector<std::string>{"token 3", "open 77 C:\\gone.txt 5", "close 77"}));
}

TEST_F(ServiceOsTest, ToDoItemsOpenAsTheConsoleUserOrAreLoggedAsNotOpened) {
    struct Case {
        const char* name;
        bool hasSession;
        TTokenQuery token;
        int openCode;
        std::vector<std::string> calls;
        std::vector<std::string> log;
    } cases[] = {
        {"opened", true, TTokenQuery::Ok, 42, {"token 3", "open 77 C:\\a.txt 5", "close 77"}, {}},
        {"no session",
         false,
         TTokenQuery::Ok,
         42,
         {},
         {"ToDo item not opened: C:\\a.txt, no user is logged on."}},
        {"no user",
         true,
         TTokenQuery::NoUser,
         42,
         {"token 3"},
         {"ToDo item not opened: C:\\a.txt, no user is logged on."}},
        {"no token",
         true,
         TTokenQuery::Failed,
         42,
         {"token 3"},
         {"ToDo item not opened: C:\\a.txt, the logged-on user's token can't be had: Access is "
          "denied."}},
        {"launch failed",
         true,
         TTokenQuery::Ok,
         kShellFailureLogged,
         {"token 3", "open 77 C:\\a.txt 5", "close 77"},
         {"ToDo item not opened: C:\\a.txt, in the user's session: The desktop is locked."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSessions s;
        s.hasSession = c.hasSession;
        s.tokenResult = c.token;
        s.openCode = c.openCode;
        s.openError = "The desktop is locked.";
        test::VirtualClockOs inner(Today(10, 0, 0));
        inner.programFilePath = fake.programFilePath;
        TServiceOs serviceOs(inner, s);
        InForce scoped(serviceOs, fake);
        // Every failure here is logged already: the launcher adds no explanation of its own.
        ShellExecuteFile(0, "Open", "C:\\a.txt", nullptr, nullptr, 5);
        EXPECT_EQ(s.calls, c.calls);
        EXPECT_EQ(inner.LogEntries(), c.log);
        EXPECT_TRUE(inner.shellCalls.empty()) << "opened as the service's own account";
        EXPECT_TRUE(inner.messageBoxes.empty());
    }
}

TEST_F(ServiceOsTest, LogOffActsOnTheConsoleSessionAndOtherRequestsPassThrough) {
    struct Case {
        const char* name;
        unsigned flags;
        bool hasSession;
        bool logoffOk;
        std::vector<std::string> calls;
        std::vector<std::string> log;
        std::vector<std::string> passedOn;
    } cases[] = {
        {"log off", 0, true, true, {"token 3", "logoff 3 77 safely", "close 77"}, {}, {}},
        {"forced", 4, true, true, {"token 3", "logoff 3 77 forced", "close 77"}, {}, {}},
        {"nobody", 4, false, true, {}, {"Log off not done, no user is logged on."}, {}},
        {"refused",
         0,
         true,
         false,
         {"token 3", "logoff 3 77 safely", "close 77"},
         {"Log off of console session 3 failed: The RPC server is unavailable."},
         {}},
        {"power off", 12, true, true, {}, {}, {"ExitWindowsEx 12"}},
        {"reboot", 2, true, true, {}, {}, {"ExitWindowsEx 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSessions s;
        s.hasSession = c.hasSession;
        s.logoffOk = c.logoffOk;
        test::VirtualClockOs inner(Today(10, 0, 0));
        inner.programFilePath = fake.programFilePath;
        TServiceOs serviceOs(inner, s);
        {
            InForce scoped(serviceOs, fake);
            serviceOs.RequestExitWindows(c.flags);
        }
        EXPECT_EQ(s.calls, c.calls);
        EXPECT_EQ(inner.LogEntries(), c.log);
        EXPECT_EQ(inner.powerRequests, c.passedOn);
    }
}

TEST_F(ServiceOsTest, TheSimulationSwitchComesBeforeTheSessionLogOff) {
    TServiceOs serviceOs(fake, sessions);
    InForce scoped(serviceOs, fake);
    DoShutdownBehavior(sbLogOffByForce);
    EXPECT_TRUE(sessions.calls.empty()) << "a simulated log-off reached the session";
    EXPECT_EQ(fake.SimulatedRequests(kSimulationFile),
              std::vector<std::string>{"5 ExitWindowsEx 4"});
}

TEST(ServiceRegistration, SwitchesAfterSlashOrDashInAnyCase) {
    using Args = std::vector<std::string>;
    struct Case {
        Args args;
        TServiceCommand command;
        bool silent;
    } cases[] = {
        {{}, TServiceCommand::Run, false},
        {{"/INSTALL"}, TServiceCommand::Install, false},
        {{"-install", "/Silent"}, TServiceCommand::Install, true},
        {{"-SILENT", "/UnInstall"}, TServiceCommand::Uninstall, true},
        {{"INSTALL"}, TServiceCommand::Run, false},
        {{"/INSTALLX", "--install", "/", "-"}, TServiceCommand::Run, false},
        {{"/uninstall", "/install"}, TServiceCommand::Install, false},
    };
    for (const Case& c : cases) {
        const TServiceCommandLine parsed = ParseServiceCommandLine(c.args);
        EXPECT_EQ(parsed.Command, c.command) << ::testing::PrintToString(c.args);
        EXPECT_EQ(parsed.bSilent, c.silent) << ::testing::PrintToString(c.args);
    }
    EXPECT_EQ(ServiceRegistrationFailedText(true, "Vesperon Service", "Access is denied."),
              "Service \"Vesperon Service\" failed to install with error: \"Access is denied.\"");
    EXPECT_EQ(ServiceRegistrationFailedText(false, "Vesperon Service", "x"),
              "Service \"Vesperon Service\" failed to uninstall with error: \"x\"");
}

TEST(ServiceRegistration, DescriptionIsWrittenUnlessTheKeyCantBeOpened) {
    const std::string value =
        "hklm\\system\\currentcontrolset\\services\\servicevesperon\\description";
    {
        test::FakeOs fake;
        os::ScopedOs scoped(fake);
        EXPECT_TRUE(WriteServiceDescription("ServiceVesperon"));
        EXPECT_EQ(fake.registryStrings[value], kServiceDescription);
    }
    {
        test::FakeOs fake;
        fake.localMachineWritesFail = true;  // the key can't be opened: not an error
        os::ScopedOs scoped(fake);
        EXPECT_TRUE(WriteServiceDescription("ServiceVesperon"));
        EXPECT_TRUE(fake.registryStrings.empty());
    }
    {
        struct ValueFails : test::FakeOs {
            bool RegWriteString(os::RegRoot, const std::string&, const std::string&,
                                const std::string&) override {
                return false;
            }
        } fake;
        os::ScopedOs scoped(fake);
        EXPECT_FALSE(WriteServiceDescription("ServiceVesperon"));
    }
}

}  // namespace
