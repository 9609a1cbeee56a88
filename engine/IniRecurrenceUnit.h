#pragma once
// Does an event's recurrence pattern include a given day?

#include <string>

#include "platform/DateTime.h"
#include "platform/IniFile.h"

// True when the pattern of the event in Section includes the date-time D.
bool IsDateInRecurrence(const TIniFile& Reader, const std::string& Section, TDateTime D);
