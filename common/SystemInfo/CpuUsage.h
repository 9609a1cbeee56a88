#pragma once
// CPU usage in percent since the previous call, from the OS's cumulative idle and system time.

// 0 on the first call and on any failure; otherwise 100 - idle share x 100 / processors + 0.5.
double GetCPUUsage();
