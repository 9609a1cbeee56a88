#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/EncryptUnit.h"
#include "engine/ShutdownEventUnit.h"
#include "tests/support/FakeOs.h"

namespace {

using Strings = std::vector<std::string>;

// A fake with a "Debug Server" viewer that keeps each trace message's unit and text.
struct TraceOs : test::FakeOs {
    struct Trace {
        std::string unit, text;
    };
    std::vector<Trace> traces;
    os::WindowHandle FindTopLevelWindow(const char* className, const char* title) override {
        return !className && title && std::string(title) == "Debug Server" ? 7 : 0;
    }
    bool SendCopyData(os::WindowHandle, std::uintptr_t, const void* data,
                      std::uint32_t cbData) override {
        Trace trace;
        test::SplitTraceMessage(data, cbData, trace.unit, trace.text);
        traces.push_back(trace);
        return true;
    }
};

class EventRecord : public ::testing::Test {
  protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }
    static TIniFile Ini(const std::string& text) {
        TIniFile ini;
        ini.SetText(text);
        return ini;
    }
    TraceOs fake;  // 12/9/2024 10:33:05 AM, United States formats
    os::ScopedOs scoped{fake};
};

TEST(EventNames, SectionsAndTables) {
    struct SectionCase {
        const char* name;
        bool event;
    } sections[] = {{"Action1", true},  {"MyAction7", true}, {"Action", true}, {"action7", false},
                    {"ACTION7", false}, {"Options", false},  {"Actio", false}, {"", false}};
    for (const SectionCase& c : sections) EXPECT_EQ(IsEventSection(c.name), c.event) << c.name;

    const Strings behaviors = {"Do Nothing",         "Log Off Safely",  "Power Off Safely",
                               "Reboot Safely",      "Shutdown Safely", "Log Off By Force",
                               "Power Off By Force", "Reboot By Force", "Shutdown By Force",
                               "Hibernate",          "Suspend"};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(GetBehaviorName(i), behaviors[i]) << i;
    for (int i : {-1, 11, 12, 1 << 30}) EXPECT_EQ(GetBehaviorName(i), "Unknown") << i;

    const Strings recurrences = {"Daily",   "Weekly", "Monthly", "MonthNth",
                                 "Unknown", "Yearly", "YearNth", "Once"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(GetRecurrenceTypeName(i), recurrences[i]) << i;
    for (int i : {-1, 8, 100}) EXPECT_EQ(GetRecurrenceTypeName(i), "Unknown") << i;
}

TEST_F(EventRecord, AnEmptySectionReadsAsTheEngineDefaults) {
    TIniFile ini = Ini("[Action1]\r\n");
    Strings todo = {"left over"};
    TRecNextActionToActivate record;
    // Every field is overwritten, whatever the record held.
    record.strFLDTitle = record.strFLDStartTime = record.strSoundFile = record.strPassword = "x";
    record.iBehavior = record.iCountDownTime = record.iCondCPUIdleUnit = 99;
    record.bCondEnableCheckCPUIdle = record.bCondEnableCheckCPUBusy = true;
    record.bEnableSoundAlarm = record.bEnablePasswordProtection = true;
    record.dtStartTime = 0.75;
    record.slToDo = &todo;
    CopySectionToRecord(ini, "Action1", record);

    EXPECT_TRUE(record.bHasAction);
    EXPECT_EQ(record.strSection, "Action1");
    EXPECT_EQ(record.strFLDTitle, "");
    EXPECT_EQ(record.iBehavior, 1);
    EXPECT_EQ(record.strFLDBehavior, "Log Off Safely");
    EXPECT_EQ(record.strFLDStartTime, "");
    EXPECT_EQ(record.dtStartTime, 0);
    EXPECT_EQ(record.dtStartDateTime, EncodeDate(2024, 12, 9));
    EXPECT_EQ(record.iCondEffectiveDuration, 10);
    EXPECT_FALSE(record.bCondEnableCheckCPUIdle);
    EXPECT_EQ(record.iCondCPUIdleLevel, 1);
    EXPECT_EQ(record.iCondCPUIdleDuration, 30);
    EXPECT_EQ(record.iCondCPUIdleUnit, cduSeconds);
    EXPECT_FALSE(record.bCondEnableCheckCPUBusy);
    EXPECT_EQ(record.iCondCPUBusyLevel, 80);
    EXPECT_EQ(record.iCondCPUBusyDuration, 5);
    EXPECT_EQ(record.iCondCPUBusyUnit, cduMinutes);
    EXPECT_TRUE(record.bEnableAbort);
    EXPECT_EQ(record.iCountDownTime, 0);
    EXPECT_FALSE(record.bEnableSoundAlarm);
    EXPECT_EQ(record.strSoundFile, "");
    EXPECT_FALSE(record.bEnablePasswordProtection);
    EXPECT_EQ(record.strPassword, "");
    EXPECT_EQ(record.slToDo, &todo);
    EXPECT_EQ(todo, Strings{});
}

TEST_F(EventRecord, AFullSectionIsReadKeyByKey) {
    const std::string password = EncryptString("s3cret", TaskPasswordKey);
    TIniFile ini =
        Ini("[MyAction7]\r\nTitle=Night shift\r\nBehavior=12\r\nStartTime=10:00:00 PM\r\n"
            "CountDownTime=0x1E\r\nEnableAbort=0\r\nEnableSoundAlarm=1\r\nSoundFile=C:\\a.wav\r\n"
            "EnablePasswordProtection=2\r\nPassword=" +
            password +
            "\r\nCondEffectiveDuration=3\r\nCondEnableCheckCPUIdle=yes\r\nCondCPUIdleLevel=5\r\n"
            "CondCPUIdleDuration=7\r\nCondCPUIdleUnit=2\r\nCondEnableCheckCPUBusy=2\r\n"
            "CondCPUBusyLevel=90\r\nCondCPUBusyDuration=11\r\nCondCPUBusyUnit=0\r\n"
            "ToDoNum=3\r\nToDo1=C:\\first.exe\r\n");
    Strings todo;
    TRecNextActionToActivate record;
    record.slToDo = &todo;
    CopySectionToRecord(ini, "MyAction7", record);

    EXPECT_EQ(record.strFLDTitle, "Night shift");
    EXPECT_EQ(record.iBehavior, 12);
    EXPECT_EQ(record.strFLDBehavior, "Unknown");
    EXPECT_EQ(record.strFLDStartTime, "10:00:00 PM");
    EXPECT_NEAR(record.dtStartTime, 22.0 / 24, 1e-9);
    EXPECT_NEAR(record.dtStartDateTime, EncodeDate(2024, 12, 9) + 22.0 / 24, 1e-9);
    EXPECT_EQ(record.iCountDownTime, 30);
    EXPECT_FALSE(record.bEnableAbort);
    EXPECT_TRUE(record.bEnableSoundAlarm);
    EXPECT_EQ(record.strSoundFile, "C:\\a.wav");
    EXPECT_TRUE(record.bEnablePasswordProtection);
    EXPECT_EQ(record.strPassword, "s3cret");
    EXPECT_EQ(record.iCondEffectiveDuration, 3);
    EXPECT_FALSE(record.bCondEnableCheckCPUIdle);  // "yes" is no integer: the default
    EXPECT_EQ(record.iCondCPUIdleLevel, 5);
    EXPECT_EQ(record.iCondCPUIdleDuration, 7);
    EXPECT_EQ(record.iCondCPUIdleUnit, 2);
    EXPECT_TRUE(record.bCondEnableCheckCPUBusy);
    EXPECT_EQ(record.iCondCPUBusyLevel, 90);
    EXPECT_EQ(record.iCondCPUBusyDuration, 11);
    EXPECT_EQ(record.iCondCPUBusyUnit, 0);
    EXPECT_EQ(todo, (Strings{"C:\\first.exe", "", ""}));
}

TEST_F(EventRecord, TheStartMomentFollowsTheDayOfReading) {
    TIniFile ini = Ini("[Action1]\r\nStartTime=7:15:00 AM\r\n");
    TRecNextActionToActivate record;
    CopySectionToRecord(ini, "Action1", record);
    const TDateTime startTime = record.dtStartTime;
    fake.now += 1;  // the next day, same clock time
    CopySectionToRecord(ini, "Action1", record);
    EXPECT_EQ(record.dtStartTime, startTime);
    EXPECT_NEAR(record.dtStartDateTime, EncodeDate(2024, 12, 10) + EncodeTime(7, 15, 0, 0), 1e-9);
}

TEST_F(EventRecord, ToDoItemsNeedAListAndABoundedCount) {
    TIniFile ini =
        Ini("[A]\r\nToDoNum=2\r\nToDo1=one\r\nToDo2=two\r\nToDo3=three\r\n"
            "[Negative]\r\nToDoNum=-4\r\nToDo1=one\r\n"
            "[Huge]\r\nToDoNum=2147483647\r\nToDo1=one\r\n");
    TRecNextActionToActivate record;
    CopySectionToRecord(ini, "A", record);  // no list: nothing to fill, nothing made
    EXPECT_EQ(record.slToDo, nullptr);

    Strings todo = {"old"};
    record.slToDo = &todo;
    CopySectionToRecord(ini, "A", record);
    EXPECT_EQ(todo, (Strings{"one", "two"}));  // items above the count are not read
    CopySectionToRecord(ini, "Negative", record);
    EXPECT_EQ(todo, Strings{});
    // A corrupt count can't exhaust memory: at most 10,000 items are read.
    CopySectionToRecord(ini, "Huge", record);
    ASSERT_EQ(todo.size(), 10000u);
    EXPECT_EQ(todo.front(), "one");
    EXPECT_EQ(todo.back(), "");
}

TEST_F(EventRecord, Passwords) {
    struct Case {
        const char* stored;  // nullptr: no key
        const char* password;
    } cases[] = {{nullptr, ""}, {"", ""}, {"A7", ""}, {"zz", ""}};
    for (const Case& c : cases) {
        TIniFile ini =
            Ini(c.stored ? std::string("[A]\r\nPassword=") + c.stored + "\r\n" : "[A]\r\n");
        TRecNextActionToActivate record;
        record.strPassword = "old";
        CopySectionToRecord(ini, "A", record);
        EXPECT_EQ(record.strPassword, c.password) << (c.stored ? c.stored : "(absent)");
    }
}

TEST_F(EventRecord, AnUnreadablePasswordFailsAfterTheFieldsBeforeIt) {
    TIniFile ini =
        Ini("[A]\r\nTitle=new\r\nCountDownTime=45\r\nPassword=A7G1\r\nToDoNum=1\r\n"
            "ToDo1=new.exe\r\n");
    Strings todo = {"old.exe"};
    TRecNextActionToActivate record;
    record.strFLDTitle = "old";
    record.strPassword = "old";
    record.slToDo = &todo;
    EXPECT_THROW(CopySectionToRecord(ini, "A", record), EConvertError);
    EXPECT_EQ(record.strFLDTitle, "new");
    EXPECT_EQ(record.iCountDownTime, 45);
    EXPECT_EQ(record.strPassword, "old");
    EXPECT_EQ(todo, Strings{"old.exe"});
    EXPECT_TRUE(fake.traces.empty());  // the trace line comes last
}

TEST_F(EventRecord, TraceLines) {
    TIniFile ini =
        Ini("[Action3]\r\nTitle=Evening\r\nBehavior=4\r\nStartTime = 10:00:00 PM \r\n"
            "CountDownTime=30\r\nPassword=\"A7\"\r\n; note\r\nEmpty=\r\n");
    TRecNextActionToActivate record;
    CopySectionToRecord(ini, "Action3", record);
    PrintSection(ini, "Action3");
    ASSERT_EQ(fake.traces.size(), 2u);
    EXPECT_EQ(fake.traces[0].unit, "ShutdownEventUnit");
    EXPECT_EQ(fake.traces[0].text,
              "CopySectionToRecord: strSection: Action3 strFLDTitle: Evening strFLDBehavior: "
              "Shutdown Safely strFLDStartTime: 10:00:00 PM iCountDownTime: 30, CurrentTime: "
              "10:33:05 AM");
    EXPECT_EQ(fake.traces[1].unit, "ShutdownEventUnit");
    EXPECT_EQ(fake.traces[1].text,
              "PrintSection: Title=Evening\r\nBehavior=4\r\nStartTime=10:00:00 PM\r\n"
              "CountDownTime=30\r\nPassword=A7\r\nEmpty=\r\n");
}

}  // namespace
