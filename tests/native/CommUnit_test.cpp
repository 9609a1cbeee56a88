#include "common/CommUnit.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/FakeForm.h"
#include "tests/support/FakeOs.h"

namespace {

constexpr os::WindowHandle kViewer = 0x7777;
constexpr os::WindowHandle kReceiver = 0x1234;  // 4660

// FakeOs with a trace viewer window and a receiver window: records every WM_COPYDATA payload,
// and answers other window searches through a hook.
class MessagingOs : public test::FakeOs {
  public:
    struct CopyData {
        os::WindowHandle target;
        std::uintptr_t dwData;
        std::uint32_t cbData;
        std::string bytes;  // cbData bytes, NUL included
    };
    std::vector<CopyData> sent;
    std::vector<os::WindowHandle> deadWindows;
    std::function<os::WindowHandle(const char* title)> onFind = [](const char*) {
        return os::WindowHandle{0};
    };

    os::WindowHandle FindTopLevelWindow(const char* className, const char* title) override {
        EXPECT_EQ(className, nullptr);
        if (std::string(title) == "Debug Server") return kViewer;
        return onFind(title);
    }
    bool SendCopyData(os::WindowHandle target, std::uintptr_t dwData, const void* data,
                      std::uint32_t cbData) override {
        for (os::WindowHandle dead : deadWindows)
            if (dead == target) return false;
        sent.push_back(
            {target, dwData, cbData, std::string(static_cast<const char*>(data), cbData)});
        return true;
    }
    // The text of the trace lines, without the computer, user and unit fields.
    std::vector<std::string> TraceTexts() const {
        std::vector<std::string> texts;
        const std::string prefix = "OFFICE7\toperator\tCommUnit\t";
        for (const CopyData& c : sent) {
            if (c.target != kViewer) continue;
            EXPECT_EQ(c.bytes.compare(0, prefix.size(), prefix), 0) << c.bytes;
            texts.push_back(c.bytes.substr(prefix.size(), c.bytes.size() - prefix.size() - 1));
        }
        return texts;
    }
};

TEST(CommUnitPaths, EventAndLogFilesFollowTheProgramFile) {
    struct Case {
        const char* program;
        const char* eventFile;
        const char* logFile;
    } cases[] = {
        {"C:\\Apps\\Vesperon\\Bin\\Vesperon.exe", "C:\\Apps\\Vesperon\\Config\\Config.INI",
         "C:\\Apps\\Vesperon\\Bin\\Log\\Vesperon.exe.log"},
        {"C:\\Vesperon.exe", "C:\\Config\\Config.INI", "C:\\Log\\Vesperon.exe.log"},
        {"D:\\Bin\\VesperonServiceApplication.exe", "D:\\Config\\Config.INI",
         "D:\\Bin\\Log\\VesperonServiceApplication.exe.log"},
        {"\\\\server\\share\\Bin\\Vesperon.exe", "\\\\server\\share\\Config\\Config.INI",
         "\\\\server\\share\\Bin\\Log\\Vesperon.exe.log"},
        // Native builds: slashes separate too, and join what is appended.
        {"/opt/vesperon/Bin/Vesperon", "/opt/vesperon/Config/Config.INI",
         "/opt/vesperon/Bin/Log/Vesperon.log"},
        {"/Vesperon", "/Config/Config.INI", "/Log/Vesperon.log"},
        {"", "Config/Config.INI", "Log/.log"},  // relative: "Log" must be a folder here too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        test::FakeOs fake;
        fake.programFilePath = c.program;
        os::ScopedOs scoped(fake);
        EXPECT_EQ(GetEventFilePath(), c.eventFile);
        EXPECT_EQ(GetLogFilePath(), c.logFile);
    }
}

TEST(CommUnitStringMessage, SendsTheTextWithItsNulAndTracesTheSend) {
    struct Case {
        std::string text;
        std::uint32_t param;
        const char* paramText;
    } cases[] = {
        {"Action3", 0, "0"},
        {"", 0, "0"},
        {"Action12", 0xFFFFFFFFu, "4294967295"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        MessagingOs fake;
        os::ScopedOs scoped(fake);
        EXPECT_TRUE(SendStringMessageToWindow(kReceiver, c.text, c.param));

        ASSERT_EQ(fake.sent.size(), 2u);  // the message, then the trace line
        const MessagingOs::CopyData& m = fake.sent[0];
        EXPECT_EQ(m.target, kReceiver);
        EXPECT_EQ(m.dwData, c.param);
        EXPECT_EQ(m.cbData, c.text.size() + 1);
        EXPECT_EQ(m.bytes, c.text + '\0');
        EXPECT_EQ(fake.TraceTexts(),
                  std::vector<std::string>{"SendStringMessageToWindow: Send Message \r\n74 To "
                                           "Window: 4660 \r\ndwPara: " +
                                           std::string(c.paramText) + "\r\nMessage: " + c.text});
    }
}

TEST(CommUnitStringMessage, AWindowThatIsGoneStillGetsTracedAndTrue) {
    MessagingOs fake;
    fake.deadWindows.push_back(kReceiver);
    os::ScopedOs scoped(fake);
    EXPECT_TRUE(SendStringMessageToWindow(kReceiver, "Action1", 0));
    ASSERT_EQ(fake.TraceTexts().size(), 1u);
    EXPECT_EQ(fake.sent.size(),
              1u);  // only the trace line arrived; ASan checks the buffer's release
}

// The application as the guard sees it; records what happened to it.
class FakeApplication : public TApplicationBase {
  public:
    std::string title = "Vesperon";
    bool terminated = false;
    std::string GetTitle() override { return title; }
    void SetTitle(const std::string& Title) override { title = Title; }
    std::uintptr_t GetInstanceHandle() override { return 0x400000; }
    void Terminate() override { terminated = true; }
};

TEST(CommUnitGuard, DecidesByTheMutexThenByTheTitleWithTheOwnWindowRenamed) {
    constexpr int kStays = 1000000;
    struct Case {
        const char* name;
        bool mutexHeldElsewhere;
        bool claimFails;
        int windowFoundTimes;  // searches that find a window titled "Vesperon"
        bool expected;
        std::size_t searches;
    } cases[] = {
        {"alone", false, false, 0, false, 1},
        // Holding the mutex, a window counts when it is still there 2 s on (every 50 ms a look).
        {"window that stays", false, false, kStays, true, 41},
        {"window of a copy giving way", false, false, 3, false, 4},
        {"mutex of another copy", true, false, 0, true, 0},
        {"no mutex to be had, alone", false, true, 0, false, 1},
        {"no mutex to be had, window", false, true, kStays, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessagingOs fake;
        if (c.mutexHeldElsewhere) fake.namedMutexes.insert(kSingleInstanceMutexName);
        fake.mutexClaimFails = c.claimFails;
        FakeApplication app;
        std::vector<std::string> searches;
        fake.onFind = [&](const char* title) {
            searches.push_back(std::string(title) + " while own window is " + app.title);
            return static_cast<int>(searches.size()) <= c.windowFoundTimes ? os::WindowHandle{0x99}
                                                                           : os::WindowHandle{0};
        };
        os::ScopedOs scoped(fake);
        const TDateTime start = fake.now;

        EXPECT_EQ(IsAnotherInstanceRunning(app), c.expected);
        EXPECT_EQ(app.terminated, c.expected);
        EXPECT_EQ(app.title, "Vesperon");
        EXPECT_EQ(searches, std::vector<std::string>(
                                c.searches, "Vesperon while own window is OnlyOne4194304"));
        EXPECT_NEAR((fake.now - start) * 86400000.0, 50.0 * (c.searches ? c.searches - 1 : 0), 1.0);
        // Running on, this copy holds the mutex; giving way, it holds none of its own. Running
        // on, it also holds the mutex that tells the service a desktop program runs.
        bool heldAfterwards = c.mutexHeldElsewhere || (!c.claimFails && !c.expected);
        EXPECT_EQ(fake.NamedMutexExists(kSingleInstanceMutexName), heldAfterwards);
        EXPECT_EQ(fake.NamedMutexExists(kDesktopRunningMutexName), !c.claimFails && !c.expected);
        EXPECT_TRUE(fake.sent.empty());  // nothing traced
    }
}

TEST(CommUnitMessageBox, KindChoosesCaptionAndIcon) {
    struct Case {
        int kind;
        const char* caption;
        unsigned icon;
    } cases[] = {
        {0, "Information", os::kMbIconInformation},
        {1, "Exclamation", os::kMbIconExclamation},
        {2, "Warning", os::kMbIconExclamation},
        {3, "Information", os::kMbIconInformation},
        {4, "Question", os::kMbIconQuestion},
        {5, "Stop", os::kMbIconStop},
        {6, "Error", os::kMbIconStop},
        {7, "Stop Now", os::kMbIconStop},
        {8, "Information", os::kMbIconInformation},
        {16, "Information", os::kMbIconInformation},
        {64, "Information", os::kMbIconInformation},
        {-1, "Information", os::kMbIconInformation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        test::FakeOs fake;
        os::ScopedOs scoped(fake);
        ShowMsgBox(c.kind, "Wrong password.");
        ASSERT_EQ(fake.messageBoxes.size(), 1u);
        EXPECT_EQ(fake.messageBoxes[0].text, "Wrong password.");
        EXPECT_EQ(fake.messageBoxes[0].caption, c.caption);
        EXPECT_EQ(fake.messageBoxes[0].flags,
                  os::kMbOk | c.icon | os::kMbTopMost | os::kMbSystemModal);
    }
}

using test::FakeForm;

const char kMainPositionKey[] =
    "hkcu\\software\\travenic\\vesperon\\2.0\\vesperon\\vesperon\\position";

std::string PositionValue(const char* name) {
    return std::string(kMainPositionKey) + "\\" + name;
}

TEST(CommUnitFormPosition, SavedPositionIsAppliedInOrderOnLoad) {
    MessagingOs fake;
    os::ScopedOs scoped(fake);
    FakeForm form;
    SaveFormPosition(form);
    EXPECT_EQ(fake.registryDwords[PositionValue("height")], 480u);
    EXPECT_EQ(fake.registryDwords[PositionValue("left")], 0xFFFFFFF8u);  // -8 as a DWORD

    FakeForm reopened;
    EXPECT_TRUE(LoadFormPosition(reopened));
    EXPECT_EQ(reopened.calls,
              (std::vector<std::string>{"Height 480", "Left -8", "Top 120", "Width 640"}));
    EXPECT_TRUE(fake.TraceTexts().empty());
}

TEST(CommUnitFormPosition, NoKeyCentresTheForm) {
    MessagingOs fake;
    os::ScopedOs scoped(fake);
    FakeForm form;
    EXPECT_FALSE(LoadFormPosition(form));
    EXPECT_EQ(form.calls, std::vector<std::string>{"centre"});
    EXPECT_TRUE(fake.TraceTexts().empty());
}

TEST(CommUnitFormPosition, PartlyWrittenKeyKeepsWhatWasReadAndTraces) {
    MessagingOs fake;
    fake.registryKeys.push_back(kMainPositionKey);
    fake.registryDwords[PositionValue("height")] = 300;
    fake.registryDwords[PositionValue("left")] = 40;
    os::ScopedOs scoped(fake);
    FakeForm form;
    EXPECT_FALSE(LoadFormPosition(form));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"Height 300", "Left 40"}));
    EXPECT_EQ(fake.TraceTexts(),
              std::vector<std::string>{"Failed to get FormPosition information from Registry."});
}

// Fails the registry write of one value name.
class FailingValueOs : public MessagingOs {
  public:
    std::string failingName;
    bool RegWriteDword(os::RegRoot root, const std::string& key, const std::string& name,
                       std::uint32_t value) override {
        if (name == failingName) return false;
        return MessagingOs::RegWriteDword(root, key, name, value);
    }
};

TEST(CommUnitFormPosition, FailedWriteStopsWithATraceAndKeepsEarlierValues) {
    FailingValueOs fake;
    fake.failingName = "Top";
    os::ScopedOs scoped(fake);
    FakeForm form;
    SaveFormPosition(form);
    EXPECT_EQ(fake.registryDwords.count(PositionValue("height")), 1u);
    EXPECT_EQ(fake.registryDwords.count(PositionValue("left")), 1u);
    EXPECT_EQ(fake.registryDwords.count(PositionValue("width")), 0u);
    EXPECT_EQ(fake.TraceTexts(),
              std::vector<std::string>{"Failed to write Registry about FormPosition."});
}

TEST(CommUnitFormPosition, KeyThatCannotBeOpenedIsSilent) {
    MessagingOs fake;
    fake.registryWritesFail = true;
    os::ScopedOs scoped(fake);
    FakeForm form;
    SaveFormPosition(form);
    EXPECT_TRUE(fake.registryDwords.empty());
    EXPECT_TRUE(fake.TraceTexts().empty());
}

TEST(CommUnitAutoRun, QuotedPathGoesToTheMachineElseTheUser) {
    struct Case {
        const char* path;
        bool machineFails;
        const char* stored;
    } cases[] = {
        {"C:\\Apps\\Vesperon\\Bin\\Vesperon.exe", false,
         "\"C:\\Apps\\Vesperon\\Bin\\Vesperon.exe\""},
        {"C:\\Apps\\Vesperon\\Bin\\Vesperon.exe", true,
         "\"C:\\Apps\\Vesperon\\Bin\\Vesperon.exe\""},
        {"C:\\odd\"dir\\Vesperon.exe", false, "\"C:\\odd\"\"dir\\Vesperon.exe\""},
    };
    const std::string run = "\\software\\microsoft\\windows\\currentversion\\run\\vesperon";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        MessagingOs fake;
        fake.localMachineWritesFail = c.machineFails;
        os::ScopedOs scoped(fake);
        RegisterAutoRun("Vesperon", c.path);
        EXPECT_EQ(fake.registryStrings, (std::map<std::string, std::string>{
                                            {(c.machineFails ? "hkcu" : "hklm") + run, c.stored}}));
    }
    MessagingOs fake;
    fake.registryWritesFail = true;
    os::ScopedOs scoped(fake);
    RegisterAutoRun("Vesperon", "C:\\Vesperon.exe");  // both fail: nothing shown or traced
    EXPECT_TRUE(fake.messageBoxes.empty());
    EXPECT_TRUE(fake.TraceTexts().empty());
}

TEST(CommUnitDayNames, LongDateFormatGetsTheShortDayName) {
    struct Case {
        const char* format;
        const char* expected;
    } cases[] = {
        {"dddd, MMMM dd, yyyy", "ddd, MMMM dd, yyyy"},
        {"d MMMM yyyy", "d MMMM yyyy ddd"},
        {"ddd d MMMM yyyy", "ddd d MMMM yyyy"},
        {"dddd d. MMMM yyyy (dddd)", "ddd d. MMMM yyyy (ddd)"},
        {"", " ddd"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeLongDateFormatShortDay(c.format), c.expected);
}

TEST(CommUnitDayNames, DayNameIsTheRegionalOne) {
    SetFormatSettings(TFormatSettings::UnitedStates());
    const TDateTime monday = EncodeDate(2024, 12, 9) + 0.5;
    EXPECT_EQ(GetDayName(true, monday), "Monday");
    EXPECT_EQ(GetDayName(false, monday), "Mon");
    ResetFormatSettings();
}

}  // namespace
