// The open-file table's calls without their fault point and call log: for the platform's own
// users of files, such as the archive library's file functions, that enter operations of their
// own and still take part in the sharing between handles.
#pragma once

#include "platform/win32_files.h"

#include <cstdint>
#include <optional>

namespace embedded {

HANDLE OpenFileHandle(LPCSTR path, DWORD access, DWORD shareMode, DWORD disposition,
                      DWORD flagsAndAttributes);
BOOL ReadFileHandle(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                    LPOVERLAPPED overlapped = nullptr);
BOOL WriteFileHandle(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                     LPOVERLAPPED overlapped = nullptr);
// The new position from the start, or nothing with the last error set.
std::optional<std::uint64_t> SeekFileHandle(HANDLE file, std::int64_t offset, DWORD method);
BOOL CloseFileHandle(HANDLE file);
// A write to the file failed outside these calls (at a fault point of their users): its close
// does not tell a run watcher that the file was written.
void MarkWriteFailed(HANDLE file);

} // namespace embedded
