// The file functions the archive library opens, reads and writes archives through. The core
// hands archive paths in the platform's form ("C:\Mail\report.zip").
#pragma once

#include <minizip/ioapi.h>

#ifdef _WIN32
// The library's own stdio functions take the platform's paths as they are.
inline zlib_filefunc64_def* ArchiveFileFunctions() {
    return nullptr;
}
#else
// Functions that map the path onto the host and share the platform's open-file table.
zlib_filefunc64_def* ArchiveFileFunctions();
#endif
