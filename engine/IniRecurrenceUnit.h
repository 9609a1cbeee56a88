#pragma once
// Does an event's recurrence pattern include a given day?

#include <string>

#include "platform/DateTime.h"
#include "platform/IniFile.h"

// True when the pattern of the event in Section includes the date-time D: D lies at or after
// "RPStartDate" and, with "RPEndType" 2, at or before "RPEndDate" (both compared with D's time
// of day), and the rule of "RPRecurrenceType" matches D's date. Missing keys take the engine
// defaults; an unknown type, a non-positive interval of a daily or monthly rule, or a D outside
// the years 1 to 9999 gives false. The scan passes today at midnight, a refresh the current
// date and time.
bool IsDateInRecurrence(const TIniFile& Reader, const std::string& Section, TDateTime D);
