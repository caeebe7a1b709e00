// The counter that makes a taken file name free: "report - 1.pdf" after "report.pdf". The save
// names its files with it, and the unzip its entries, so that both count alike.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Inserts `separator` and `counter` before the file name's last dot, or at its end. False when
// the result had to be cut at `bound` (the name lost its end, perhaps its extension).
bool AddUniqueSuffix(LPSTR path, std::size_t bound, int counter, LPCSTR separator);
