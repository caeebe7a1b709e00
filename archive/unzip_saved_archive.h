// A saved archive unpacked into the folder it was saved in.
#pragma once

#include "module/files_of_run.h"
#include "platform/win_types.h"

// `folder` ends with a backslash. True when every entry was extracted and the archive closed
// without error; nothing is ever written outside `folder`, and nothing through a link. An entry
// whose name is taken gets the counter the save uses (`separator` before it): an existing file
// is replaced only with `overwriteExisting`, and never one of `written` (the files of this run),
// which the extracted files join.
bool UnzipSavedArchive(LPCSTR archivePath, LPCSTR folder, bool overwriteExisting = false,
                       FilesOfRun* written = nullptr, LPCSTR separator = " - ");
