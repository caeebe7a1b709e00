#include "archive/zip_saved_file.h"

#include "archive/write_checked_files.h"
#include "archive/zip_paths.h"
#include "platform/mapi_functions.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"
#include "platform/win32_time.h"

#include <minizip/zip.h>

#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kPathCapacity = 260;
constexpr DWORD kCopyBufferSize = 65536;

// The entry's date and time: the saved file's last write in local time, in the calendar fields
// the library turns into the archive's DOS date.
bool EntryTimeOf(HANDLE file, zip_fileinfo& info) {
    FILETIME lastWrite{};
    FILETIME local{};
    SYSTEMTIME calendar{};
    if (!GetFileTime(file, nullptr, nullptr, &lastWrite) ||
        !FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToSystemTime(&local, &calendar)) {
        return false;
    }
    info = zip_fileinfo{};
    info.tmz_date.tm_sec = calendar.wSecond;
    info.tmz_date.tm_min = calendar.wMinute;
    info.tmz_date.tm_hour = calendar.wHour;
    info.tmz_date.tm_mday = calendar.wDay;
    info.tmz_date.tm_mon = calendar.wMonth - 1u;
    info.tmz_date.tm_year = calendar.wYear;
    info.dosDate = 0;
    return true;
}

bool AddEntry(zipFile archive, HANDLE file, LPCSTR entryName) {
    zip_fileinfo info{};
    if (!EntryTimeOf(file, info)) {
        return false;
    }
    if (zipOpenNewFileInZip(archive, entryName, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION) != ZIP_OK) {
        return false;
    }
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), kCopyBufferSize, &read, nullptr)) {
            return false;
        }
        if (read == 0) {
            return zipCloseFileInZip(archive) == ZIP_OK;
        }
        if (zipWriteInFileInZip(archive, buffer.data(), read) != ZIP_OK) {
            return false;
        }
    }
}

bool AddSavedFile(zipFile archive, LPCSTR path, LPCSTR entryName) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool added = AddEntry(archive, file, entryName);
    CloseHandle(file);
    return added;
}

bool FlushArchive(LPCSTR archivePath) {
    HANDLE file = CreateFileA(archivePath, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool flushed = FlushFileBuffers(file) != FALSE;
    CloseHandle(file);
    return flushed;
}

} // namespace

bool ZipSavedFile(LPCSTR path) {
    if (path == nullptr || static_cast<std::size_t>(lstrlenA(path)) >= kPathCapacity) {
        return false;
    }
    char archivePath[kPathCapacity];
    MakeZipPath(path, archivePath, kPathCapacity);
    // A cut archive path would name some other file; a saved file that is already its own
    // archive would be emptied by the create before it is read.
    char uncut[kPathCapacity + 5];
    MakeZipPath(path, uncut, sizeof uncut);
    if (std::strcmp(archivePath, uncut) != 0 || lstrcmpiA(archivePath, path) == 0) {
        return false;
    }
    LPCSTR lastBackslash = SzFindLastCh(path, '\\');
    LPCSTR entryName = lastBackslash == nullptr ? path : lastBackslash + 1;

    WriteCheckedFiles files;
    InitWriteCheckedFiles(files);
    zipFile archive = zipOpen2_64(archivePath, APPEND_STATUS_CREATE, nullptr, &files.functions);
    if (archive == nullptr) {
        return false;
    }
    const bool added = AddSavedFile(archive, path, entryName);
    const bool closed = zipClose(archive, nullptr) == ZIP_OK;
    // The saved file goes once the archive holds it, so the archive must be on the disk first;
    // an archive that holds it only in part would look like a good copy.
    const bool complete = added && closed && !files.writeFailed && FlushArchive(archivePath);
    if (!complete) {
        DeleteFileA(archivePath);
    }
    return complete;
}
