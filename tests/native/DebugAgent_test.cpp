#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DebugAgentUnit.h"
#include "tests/support/FakeOs.h"

namespace {

// A fake with an optional viewer window that records what reaches it.
class ViewerOs : public test::FakeOs {
  public:
    os::WindowHandle viewer = 0;  // 0: no "Debug Server" window
    bool viewerClosesBeforeSend = false;
    int windowSearches = 0;
    int nameLookups = 0;
    struct Sent {
        os::WindowHandle target;
        std::uintptr_t dwData;
        std::string bytes;  // all cbData bytes, the NUL included
    };
    std::vector<Sent> sent;

    os::WindowHandle FindTopLevelWindow(const char* className, const char* windowName) override {
        ++windowSearches;
        if (className != nullptr || windowName == nullptr) return 0;
        return std::string(windowName) == "Debug Server" ? viewer : 0;
    }
    bool SendCopyData(os::WindowHandle target, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override {
        if (viewerClosesBeforeSend) return false;
        sent.push_back({target, dwData, std::string(static_cast<const char*>(data), cbData)});
        return true;
    }
    bool ComputerName(std::string& name) override {
        ++nameLookups;
        return FakeOs::ComputerName(name);
    }
    bool UserName(std::string& name) override {
        ++nameLookups;
        return FakeOs::UserName(name);
    }
};

}  // namespace

TEST(DebugAgentUnit, WithoutViewerOneSearchAndNothingBuilt) {
    ViewerOs fake;
    os::ScopedOs scoped(fake);
    EXPECT_FALSE(SendDebugAgentMsg("ShutdownEventUnit", kTraceLevel, "line"));
    EXPECT_FALSE(SendDebugAgentMsg("", kTraceLevelMain, ""));
    EXPECT_EQ(fake.windowSearches, 2);
    EXPECT_EQ(fake.nameLookups, 0);
    EXPECT_TRUE(fake.sent.empty());
}

TEST(DebugAgentUnit, MessageIsFourTabJoinedFieldsWithTheNulCounted) {
    struct Case {
        std::string unit, text, expected;
    } cases[] = {
        {"CommUnit", "started", "OFFICE7\toperator\tCommUnit\tstarted"},
        {"ShutdownEventUnit", "x", "OFFICE7\toperator\tShutdownEventUnit\tx"},       // 17: whole
        {"TThreadShutdownTimerX", "x", "OFFICE7\toperator\tTThreadShutdownTim\tx"},  // 21 -> 18
        {"ABCDEFGHIJKLMNOPQR", "x", "OFFICE7\toperator\tABCDEFGHIJKLMNOPQR\tx"},     // 18: whole
        {"CommUnit", "", "OFFICE7\toperator\tCommUnit\t"},  // empty text ends in the TAB
        {"CommUnit", "a\r\nb\tc", "OFFICE7\toperator\tCommUnit\ta\r\nb\tc"},  // sent unchanged
        {"", "t", "OFFICE7\toperator\t\tt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit + " / " + c.text);
        ViewerOs fake;
        fake.viewer = 0x1234;
        os::ScopedOs scoped(fake);
        EXPECT_TRUE(SendDebugAgentMsg(c.unit, kTraceLevel, c.text));
        ASSERT_EQ(fake.sent.size(), 1u);
        EXPECT_EQ(fake.sent[0].target, 0x1234u);
        EXPECT_EQ(fake.sent[0].dwData, 0u);
        EXPECT_EQ(fake.sent[0].bytes, c.expected + '\0');  // cbData = length + 1
    }
}

TEST(DebugAgentUnit, NamesFetchedForEveryMessageAndUnknownWhenMissing) {
    ViewerOs fake;
    fake.viewer = 7;
    os::ScopedOs scoped(fake);
    EXPECT_TRUE(SendDebugAgentMsg("CommUnit", kTraceLevel, "one"));
    fake.computerName = "OFFICE8";
    EXPECT_TRUE(SendDebugAgentMsg("CommUnit", kTraceLevel, "two"));
    fake.namesAvailable = false;
    EXPECT_EQ(GetComputerNameString(), "Unkown");
    EXPECT_EQ(GetUserNameString(), "Unkown");
    EXPECT_TRUE(SendDebugAgentMsg("CommUnit", kTraceLevel, "three"));
    ASSERT_EQ(fake.sent.size(), 3u);
    EXPECT_EQ(fake.sent[0].bytes, std::string("OFFICE7\toperator\tCommUnit\tone") + '\0');
    EXPECT_EQ(fake.sent[1].bytes, std::string("OFFICE8\toperator\tCommUnit\ttwo") + '\0');
    EXPECT_EQ(fake.sent[2].bytes, std::string("Unkown\tUnkown\tCommUnit\tthree") + '\0');
}

TEST(DebugAgentUnit, ViewerClosingBeforeTheSendStillReportsTrue) {
    ViewerOs fake;
    fake.viewer = 7;
    fake.viewerClosesBeforeSend = true;
    os::ScopedOs scoped(fake);
    EXPECT_TRUE(SendDebugAgentMsg("CommUnit", kTraceLevel, "gone"));
}
