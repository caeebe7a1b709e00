// The archive's file functions with a memory of failed writes. The library loses a write error
// while it finishes an entry's compressed data (its next deflate step overwrites the error), and
// a zip reported whole after a lost write would let the caller delete the only good copy.
#pragma once

#include <minizip/ioapi.h>

struct WriteCheckedFiles {
    zlib_filefunc64_def functions; // what the library is handed
    zlib_filefunc64_def platform;  // what they forward to
    bool writeFailed;
};

// Fills `files` to forward to the platform's archive file functions, or to the library's own
// when the platform has none.
void InitWriteCheckedFiles(WriteCheckedFiles& files);
