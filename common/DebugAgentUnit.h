#pragma once
// The diagnostic trace channel: one line to a top-level window titled "Debug Server", when one
// exists. Costs one window search and allocates nothing when none does.

#include <cstdint>
#include <string>

#include "platform/Os.h"

constexpr std::int32_t kTraceLevel = 0x40000;      // ordinary lines
constexpr std::int32_t kTraceLevelMain = 0x90000;  // the main window's own lines

// Sends computer, user, UnitName (first 18 characters) and Text, TAB-joined, to the viewer;
// true when a viewer window was found and the message sent (also when the viewer closed before
// the send); never raises. The level is not part of the message.
bool SendDebugAgentMsg(const std::string& UnitName, std::int32_t Level,
                       const std::string& Text) noexcept;
std::string GetComputerNameString();  // or "Unkown"
std::string GetUserNameString();      // or "Unkown"
// The top-level window of that class and title (null matches any); 0 when none.
os::WindowHandle FindWindowInAllOS(const char* ClassName, const char* WindowName);
