// Test helper: writes one daily event into an event file, due a number of seconds from now, in
// the regional formats of the current user (those the service reads it with).
//   service_e2e_event.exe CONFIG.INI SECTION TITLE SECONDS BEHAVIOR
// Prints the start time as written.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/DateTime.h"
#include "platform/IniFile.h"

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr,
                     "usage: service_e2e_event CONFIG.INI SECTION TITLE SECONDS BEHAVIOR\n");
        return 2;
    }
    const std::string section = argv[2];
    const TDateTime start = Now() + std::atoi(argv[4]) / 86400.0;
    TIniFile ini(argv[1]);
    ini.WriteString(section, "Title", argv[3]);
    ini.WriteInteger(section, "Behavior", std::atoi(argv[5]));
    ini.WriteTime(section, "StartTime", TimeOf(start));
    ini.WriteBool(section, "EnableThisEvent", true);
    ini.WriteInteger(section, "CountDownTime", 0);
    ini.WriteInteger(section, "CondEffectiveDuration", 1);
    ini.WriteDate(section, "RPStartDate", DateOf(start) - 1);
    ini.WriteInteger(section, "RPEndType", 0);
    ini.WriteInteger(section, "RPRecurrenceType", 0);
    ini.WriteInteger(section, "RPInterval", 1);
    if (!ini.UpdateFile()) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", ini.ReadString(section, "StartTime", "").c_str());
    return 0;
}
