// The operating system version that GetVersionExA reports: Windows 10 unless a test asks for
// another (for example Windows NT 4.0, whose path rules the module still follows).
#pragma once

#include "platform/win_types.h"

namespace embedded {

void ReportSystemVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId);
void ResetSystemVersion();

} // namespace embedded
