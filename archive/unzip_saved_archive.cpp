#include "archive/unzip_saved_archive.h"

#include "module/folder_creation.h"
#include "base/path_parts.h"
#include "base/bounded_text.h"
#include "base/unique_suffix.h"
#include "platform/archive_files.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"
#include "platform/win32_time.h"

#include <minizip/unzip.h>

#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kPathCapacity = 260;
constexpr unsigned kCopyBufferSize = 65536;

// A name that climbs out of the folder: ".." as any element, whatever separators surround it.
bool NamesParentFolder(LPCSTR name) {
    if (std::strstr(name, "../") != nullptr || std::strstr(name, "..\\") != nullptr) {
        return true;
    }
    LPCSTR elementStart = name;
    for (LPCSTR p = name;; p = CharNextA(p)) {
        if (*p == '\0' || *p == '\\' || *p == '/') {
            if (p - elementStart == 2 && elementStart[0] == '.' && elementStart[1] == '.') {
                return true;
            }
            if (*p == '\0') {
                return false;
            }
            elementStart = p + 1;
        }
    }
}

// The entry's time is local time; every time of the extracted file gets it.
bool SetEntryTime(HANDLE file, const tm_unz& date) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(date.tm_year);
    local.wMonth = static_cast<WORD>(date.tm_mon + 1);
    local.wDay = static_cast<WORD>(date.tm_mday);
    local.wHour = static_cast<WORD>(date.tm_hour);
    local.wMinute = static_cast<WORD>(date.tm_min);
    local.wSecond = static_cast<WORD>(date.tm_sec);
    FILETIME localTime{};
    FILETIME time{};
    return SystemTimeToFileTime(&local, &localTime) && LocalFileTimeToFileTime(&localTime, &time) &&
           SetFileTime(file, &time, &time, &time);
}

bool CopyEntryData(unzFile archive, HANDLE file) {
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        const int read = unzReadCurrentFile(archive, buffer.data(), kCopyBufferSize);
        if (read < 0) {
            return false;
        }
        if (read == 0) {
            return true;
        }
        DWORD written = 0;
        if (!WriteFile(file, buffer.data(), static_cast<DWORD>(read), &written, nullptr) ||
            written != static_cast<DWORD>(read)) {
            return false;
        }
    }
}

struct EntryRules {
    bool overwriteExisting;
    FilesOfRun* written;
    LPCSTR separator;
};

// Counters tried for one entry, as for a saved file.
constexpr int kMostUniqueCounters = 15000;

// A folder on the way below the target folder that is a link would take the entry elsewhere.
bool PassesThroughLink(LPCSTR target, std::size_t folderLength) {
    char prefix[kPathCapacity];
    for (std::size_t i = folderLength; target[i] != '\0'; ++i) {
        if (target[i] != '\\' && target[i] != '/') {
            continue;
        }
        BoundedCopyN(prefix, sizeof prefix, target, i);
        const DWORD attributes = GetFileAttributesA(prefix);
        if (attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return true;
        }
    }
    return false;
}

// How the entry's file may be made at `path`: CREATE_NEW for a free name, CREATE_ALWAYS for a
// file that may be replaced, 0 for a name that is taken.
DWORD DispositionFor(LPCSTR path, const EntryRules& rules) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError() == ERROR_FILE_NOT_FOUND ? CREATE_NEW : 0;
    }
    const bool replaceable =
        rules.overwriteExisting &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
        (rules.written == nullptr || !rules.written->Contains(path));
    return replaceable ? CREATE_ALWAYS : 0;
}

// The entry's target, or the first counted form of it that is free.
DWORD ChooseTarget(LPSTR target, const EntryRules& rules) {
    char counted[kPathCapacity];
    for (int counter = 0; counter < kMostUniqueCounters; ++counter) {
        BoundedCopy(counted, sizeof counted, target);
        if (counter >= 1 && !AddUniqueSuffix(counted, kPathCapacity, counter, rules.separator)) {
            return 0;
        }
        if (const DWORD disposition = DispositionFor(counted, rules)) {
            BoundedCopy(target, kPathCapacity, counted);
            return disposition;
        }
    }
    return 0;
}

bool ExtractCurrentEntry(unzFile archive, LPCSTR folder, const EntryRules& rules) {
    char name[kPathCapacity];
    unz_file_info info{};
    if (unzGetCurrentFileInfo(archive, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK ||
        info.size_filename >= kPathCapacity) {
        return false;
    }
    if (NamesParentFolder(name)) {
        return false;
    }
    if (std::strlen(folder) + std::strlen(name) >= kPathCapacity) {
        return false;
    }
    // A name that starts with a drive, a root or a share is still taken below the folder: the
    // joined path has its drive and root only at its start.
    char target[kPathCapacity];
    BoundedCopy(target, kPathCapacity, folder);
    BoundedAppend(target, kPathCapacity, name);
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        return false;
    }
    if (PassesThroughLink(target, std::strlen(folder))) {
        return false;
    }
    CreateFolderTree(target);
    if (EndsWithSeparator(target)) {
        return true;
    }
    const DWORD disposition = ChooseTarget(target, rules);
    if (disposition == 0) {
        return false;
    }
    // CREATE_NEW fails rather than follow a link that appeared since the name was chosen.
    HANDLE file =
        CreateFileA(target, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (rules.written != nullptr) {
        rules.written->Add(target);
    }
    // A file whose data could not be read or written whole, or whose check value does not
    // match, is removed rather than left looking like a good copy.
    const bool complete = CopyEntryData(archive, file) && unzCloseCurrentFile(archive) == UNZ_OK;
    const bool timed = complete && SetEntryTime(file, info.tmu_date);
    CloseHandle(file);
    if (!complete) {
        DeleteFileA(target);
    }
    return timed;
}

bool ExtractEntries(unzFile archive, LPCSTR folder, const EntryRules& rules) {
    unz_global_info global{};
    if (unzGetGlobalInfo(archive, &global) != UNZ_OK) {
        return false;
    }
    for (uLong entry = 0; entry < global.number_entry; ++entry) {
        if (entry > 0 && unzGoToNextFile(archive) != UNZ_OK) {
            return false;
        }
        if (!ExtractCurrentEntry(archive, folder, rules)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool UnzipSavedArchive(LPCSTR archivePath, LPCSTR folder, bool overwriteExisting,
                       FilesOfRun* written, LPCSTR separator) {
    if (archivePath == nullptr || folder == nullptr || separator == nullptr) {
        return false;
    }
    const EntryRules rules{overwriteExisting, written, separator};
    unzFile archive = unzOpen2_64(archivePath, ArchiveFileFunctions());
    if (archive == nullptr) {
        return false;
    }
    const bool extracted = ExtractEntries(archive, folder, rules);
    const bool closed = unzClose(archive) == UNZ_OK;
    return extracted && closed;
}
