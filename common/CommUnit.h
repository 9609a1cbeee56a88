#pragma once
// Common services: program folders, window messaging and the single-instance guard, message
// boxes, registry helpers, day names and week-day masks.
//
// Implementation files: CommUnit.cpp, CommUnitWeekMask.cpp (week-day masks).

#include <cstdint>
#include <string>

#include "platform/DateTime.h"
#include "platform/Os.h"

// The named mutex the desktop program holds while it runs, in the global namespace, so that the
// service (in another session) can see it.
constexpr const char* kDesktopRunningMutexName = "Global\\VesperonDesktopProgramRunning";

// --- Program folders (string work only) -------------------------------------------------------
std::string GetEventFilePath();  // <program folder>\..\Config\Config.INI
std::string GetLogFilePath();    // <program folder>\Log\<program file name>.log

// --- Week-day masks (CommUnitWeekMask.cpp) ----------------------------------------------------
int MakeWeekMask(bool Sun, bool Mon, bool Tue, bool Wed, bool Thu, bool Fri, bool Sat);
bool IsDayInWeekMask(int Mask, int Day);  // Day 1 Sunday .. 7 Saturday
int GetTodayWeekMask();
// True when D is the Instance-th (1..4, 5 last) day of its month whose day is in Mask.
bool IsNthDayOfMonthByWeekMask(int Instance, int Mask, TDateTime D);
