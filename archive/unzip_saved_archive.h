// A saved archive unpacked into the folder it was saved in.
#pragma once

#include "platform/win_types.h"

// `folder` ends with a backslash. True when every entry was extracted and the archive closed
// without error; nothing is ever written outside `folder`.
bool UnzipSavedArchive(LPCSTR archivePath, LPCSTR folder);
