// Win32 seam: CPU counters. (Placeholder.)
#include "platform/win32/Win32Os.h"

namespace os {

int Win32Os::ProcessorCount() { return 0; }
bool Win32Os::QueryCpuTimes(std::int64_t&, std::int64_t&) { return false; }

}  // namespace os
