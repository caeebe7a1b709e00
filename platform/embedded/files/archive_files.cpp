// The archive library's file functions: archive paths are the platform's paths, mapped onto the
// native file system, and an open archive is a handle of the platform's open-file table, so that it
// shares (or refuses to share) with the module's own opens as the platform's stdio files do.
#include "platform/archive_files.h"

#include "platform/embedded/files/file_handles.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/embedded/trace/win32_entry.h"

namespace {

struct ArchiveFile {
    HANDLE handle;
    bool failed; // what the library asks through its error function
};

ArchiveFile* Of(voidpf stream) {
    return static_cast<ArchiveFile*>(stream);
}

voidpf ZCALLBACK OpenArchive(voidpf, const void* filename, int mode) {
    if (!embedded::EnterWin32Operation("ArchiveOpenFile", static_cast<std::uint64_t>(mode))) {
        return nullptr;
    }
    DWORD access = GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ) {
        // read only: the defaults
    } else if ((mode & ZLIB_FILEFUNC_MODE_EXISTING) != 0) {
        access = GENERIC_READ | GENERIC_WRITE;
    } else if ((mode & ZLIB_FILEFUNC_MODE_CREATE) != 0) {
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The platform's stdio opens deny nothing to others; an exclusive open of the same file
    // still fails while the archive is open.
    HANDLE handle = embedded::OpenFileHandle(static_cast<const char*>(filename), access,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, disposition, 0);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    if (access == GENERIC_READ) {
        if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
            watcher->ArchiveRead(embedded::ToNativePath(static_cast<const char*>(filename))
                                     .value_or(static_cast<const char*>(filename)));
        }
    }
    return new ArchiveFile{handle, false};
}

uLong ZCALLBACK ReadArchive(voidpf, voidpf stream, void* buffer, uLong size) {
    ArchiveFile* file = Of(stream);
    DWORD read = 0;
    if (!embedded::EnterWin32Operation("ArchiveReadFile", size) ||
        !embedded::ReadFileHandle(file->handle, buffer, static_cast<DWORD>(size), &read)) {
        file->failed = true;
        return 0;
    }
    return read;
}

uLong ZCALLBACK WriteArchive(voidpf, voidpf stream, const void* buffer, uLong size) {
    ArchiveFile* file = Of(stream);
    DWORD written = 0;
    if (!embedded::EnterWin32Operation("ArchiveWriteFile", size) ||
        !embedded::WriteFileHandle(file->handle, buffer, static_cast<DWORD>(size), &written)) {
        file->failed = true;
        embedded::MarkWriteFailed(file->handle);
    }
    return written;
}

ZPOS64_T ZCALLBACK TellArchive(voidpf, voidpf stream) {
    const auto position = embedded::SeekFileHandle(Of(stream)->handle, 0, FILE_CURRENT);
    return position ? *position : static_cast<ZPOS64_T>(-1);
}

long ZCALLBACK SeekArchive(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    DWORD method = FILE_BEGIN;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        method = FILE_BEGIN;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        method = FILE_CURRENT;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        method = FILE_END;
        break;
    default:
        return -1;
    }
    // The library passes negative distances from the end as their two's complement.
    const auto distance = static_cast<std::int64_t>(offset);
    return embedded::SeekFileHandle(Of(stream)->handle, distance, method) ? 0 : -1;
}

int ZCALLBACK CloseArchive(voidpf, voidpf stream) {
    ArchiveFile* file = Of(stream);
    // A failed close still lets go of the file, as the platform's stdio close does.
    const bool entered = embedded::EnterWin32Operation("ArchiveCloseFile");
    const bool closed = embedded::CloseFileHandle(file->handle) != FALSE;
    delete file;
    return entered && closed ? 0 : -1;
}

int ZCALLBACK ArchiveError(voidpf, voidpf stream) {
    return Of(stream)->failed ? 1 : 0;
}

} // namespace

zlib_filefunc64_def* ArchiveFileFunctions() {
    static zlib_filefunc64_def functions{OpenArchive, ReadArchive,  WriteArchive, TellArchive,
                                         SeekArchive, CloseArchive, ArchiveError, nullptr};
    return &functions;
}
