// The move-to-front list of the target folders the user chose last.
#pragma once

#include "options/save_options.h"

// Makes `folder`, with a trailing backslash, the target folder and the first recent folder.
void AddRecentFolder(SaveOptions& options, LPCSTR folder);
