// Posix seam: CPU counters. (Placeholder.)
#include "platform/posix/PosixOs.h"

namespace os {

int PosixOs::ProcessorCount() { return 0; }
bool PosixOs::QueryCpuTimes(std::int64_t&, std::int64_t&) { return false; }

}  // namespace os
