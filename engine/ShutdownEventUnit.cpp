// Event sections, the event record, the name tables and the event log.
#include "engine/ShutdownEventUnit.h"

#include <mutex>

#include "common/CommUnit.h"
#include "common/DebugAgentUnit.h"
#include "common/EncryptUnit.h"

namespace {

const char kUnitName[] = "ShutdownEventUnit";
// The log writer's trace lines carry the unit's historic spelling.
const char kLogUnitName[] = "ShutDownEventUnit";

// A hand-edited "ToDoNum" can be any integer; items beyond this many are not read, so that a
// corrupt count cannot exhaust memory. The editor writes far fewer.
const int kMaxToDoItems = 10000;

// Writers in this process wait for each other, so that none loses its line to another.
std::mutex g_logMutex;

// The "Password" key holds the scrambled text; an absent key is the empty password.
std::string ReadPassword(const TIniFile& reader, const std::string& section) {
    return DecryptString(reader.ReadString(section, "Password", ""), TaskPasswordKey);
}

}  // namespace

bool IsEventSection(const std::string& sectionName) {
    return sectionName.find("Action") != std::string::npos;
}

std::string GetBehaviorName(int behavior) {
    static const char* const kNames[] = {
        "Do Nothing",         "Log Off Safely",  "Power Off Safely",
        "Reboot Safely",      "Shutdown Safely", "Log Off By Force",
        "Power Off By Force", "Reboot By Force", "Shutdown By Force",
        "Hibernate",          "Suspend",
    };
    if (behavior < 0 || behavior >= static_cast<int>(sizeof kNames / sizeof kNames[0]))
        return "Unknown";
    return kNames[behavior];
}

std::string GetRecurrenceTypeName(int recurrenceType) {
    static const char* const kNames[] = {
        "Daily", "Weekly", "Monthly", "MonthNth", "Unknown", "Yearly", "YearNth", "Once",
    };
    if (recurrenceType < 0 || recurrenceType >= static_cast<int>(sizeof kNames / sizeof kNames[0]))
        return "Unknown";
    return kNames[recurrenceType];
}

void CopySectionToRecord(const TIniFile& reader, const std::string& section,
                         TRecNextActionToActivate& record) {
    record.bHasAction = true;
    record.strSection = section;

    record.strFLDTitle = reader.ReadString(section, "Title", "");
    record.iBehavior = reader.ReadInteger(section, "Behavior", sbLogOffSafely);
    record.strFLDBehavior = GetBehaviorName(record.iBehavior);
    record.strFLDStartTime = reader.ReadString(section, "StartTime", "");
    record.dtStartTime = reader.ReadTime(section, "StartTime", 0);
    record.dtStartDateTime = Date() + record.dtStartTime;

    record.iCondEffectiveDuration = reader.ReadInteger(section, "CondEffectiveDuration", 10);
    record.bCondEnableCheckCPUIdle = reader.ReadBool(section, "CondEnableCheckCPUIdle", false);
    record.iCondCPUIdleLevel = reader.ReadInteger(section, "CondCPUIdleLevel", 1);
    record.iCondCPUIdleDuration = reader.ReadInteger(section, "CondCPUIdleDuration", 30);
    record.iCondCPUIdleUnit = reader.ReadInteger(section, "CondCPUIdleUnit", cduSeconds);
    record.bCondEnableCheckCPUBusy = reader.ReadBool(section, "CondEnableCheckCPUBusy", false);
    record.iCondCPUBusyLevel = reader.ReadInteger(section, "CondCPUBusyLevel", 80);
    record.iCondCPUBusyDuration = reader.ReadInteger(section, "CondCPUBusyDuration", 5);
    record.iCondCPUBusyUnit = reader.ReadInteger(section, "CondCPUBusyUnit", cduMinutes);
    record.bEnableAbort = reader.ReadBool(section, "EnableAbort", true);
    record.iCountDownTime = reader.ReadInteger(section, "CountDownTime", 0);
    record.bEnableSoundAlarm = reader.ReadBool(section, "EnableSoundAlarm", false);
    record.strSoundFile = reader.ReadString(section, "SoundFile", "");
    record.bEnablePasswordProtection = reader.ReadBool(section, "EnablePasswordProtection", false);

    // EConvertError goes to the caller; the fields above keep their new values.
    record.strPassword = ReadPassword(reader, section);

    if (record.slToDo) {
        record.slToDo->clear();
        int count = reader.ReadInteger(section, "ToDoNum", 0);
        if (count > kMaxToDoItems) count = kMaxToDoItems;
        for (int i = 1; i <= count; ++i)
            record.slToDo->push_back(reader.ReadString(section, "ToDo" + std::to_string(i), ""));
    }

    SendDebugAgentMsg(kUnitName, kTraceLevel,
                      "CopySectionToRecord: strSection: " + record.strSection + " strFLDTitle: " +
                          record.strFLDTitle + " strFLDBehavior: " + record.strFLDBehavior +
                          " strFLDStartTime: " + record.strFLDStartTime +
                          " iCountDownTime: " + std::to_string(record.iCountDownTime) +
                          ", CurrentTime: " + TimeToStr(Now()));
}

void PrintSection(const TIniFile& reader, const std::string& section) {
    std::string text;
    for (const std::string& line : reader.ReadSectionValues(section)) text += line + "\r\n";
    SendDebugAgentMsg(kUnitName, kTraceLevel, "PrintSection: " + text);
}

void WriteLog(const std::string& text) {
    try {
        std::string line = DateTimeToStr(Now()) + " " + GetUserNameString() + " " + text;
        SendDebugAgentMsg(kLogUnitName, kTraceLevel, line);
        std::string path = GetLogFilePath();
        line += "\r\n";
        std::lock_guard<std::mutex> lock(g_logMutex);
        // A line that can't be written (no Log folder, a read-only or full disk) is lost on
        // purpose: the log never stops its caller.
        os::Current().AppendToFile(path, line);
    } catch (...) {
        // Contained: logging never raises, whatever failed.
    }
}
