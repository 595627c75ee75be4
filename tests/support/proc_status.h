// Memory figures of this process from /proc/self/status, for tests that check what a
// call costs.
#pragma once

#include <string>

// The value of a "<key>:" line in kB ("VmSize", "VmPeak", "VmHWM", ...); -1 if missing.
long ProcStatusKb(const std::string& key);
