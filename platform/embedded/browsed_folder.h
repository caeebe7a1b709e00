// The item list that the embedded folder browser answers: one item holding the chosen folder's
// Windows path, in memory from std::malloc (what the shell's allocator frees on this platform).
#pragma once

#include "platform/folder_browser.h"

#include <optional>
#include <string>

namespace embedded {

// The Windows path of an item list made by the folder browser, or nothing for another list.
std::optional<std::string> PathOfBrowsedFolder(PCIDLIST_ABSOLUTE list);
void FreeBrowsedFolder(PIDLIST_ABSOLUTE list);

} // namespace embedded
