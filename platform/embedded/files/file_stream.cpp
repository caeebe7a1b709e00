// A file of the native file system as a stream, for OpenStreamOnFile.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/com/stream_base.h"
#include "platform/mapi_functions.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using embedded::EnterOperation;

HRESULT ResultOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return MAPI_E_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return MAPI_E_NO_ACCESS;
    case ENOSPC:
    case EDQUOT:
        return STG_E_MEDIUMFULL;
    default:
        return MAPI_E_CALL_FAILED;
    }
}

class FileStream final : public embedded::StreamBase {
  public:
    FileStream(int fd, bool writable, std::string nativePath)
        : fd(fd), writable(writable), nativePath(std::move(nativePath)) {}

    HRESULT ReadBytes(void* pv, ULONG cb, ULONG& total) override {
        while (total < cb) {
            const ssize_t got = ::read(fd, static_cast<char*>(pv) + total, cb - total);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return STG_E_READFAULT;
            }
            if (got == 0) {
                break;
            }
            total += static_cast<ULONG>(got);
        }
        return S_OK;
    }

    bool Writable() const override { return writable; }
    HRESULT WriteBytes(const void* pv, ULONG cb, ULONG& total) override {
        while (total < cb) {
            const ssize_t put = ::write(fd, static_cast<const char*>(pv) + total, cb - total);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put < 0) {
                embedded::NoteFailedCall("IStream::Write", nativePath, errno);
                return errno == ENOSPC || errno == EDQUOT ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
            }
            total += static_cast<ULONG>(put);
        }
        return S_OK;
    }

    void WriteFailed() override { writeFailed = true; }

    std::uint64_t Position() const override {
        const off_t at = ::lseek(fd, 0, SEEK_CUR);
        return at < 0 ? 0 : static_cast<std::uint64_t>(at);
    }
    void MoveTo(std::uint64_t target) override {
        ::lseek(fd, static_cast<off_t>(std::min<std::uint64_t>(target, INT64_MAX)), SEEK_SET);
    }
    HRESULT SizeOf(std::uint64_t& size) const override {
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            return STG_E_ACCESSDENIED;
        }
        size = static_cast<std::uint64_t>(info.st_size);
        return S_OK;
    }
    HRESULT Resize(std::uint64_t size) override {
        if (size > static_cast<std::uint64_t>(INT64_MAX) ||
            ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            return STG_E_MEDIUMFULL;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override {
        HRESULT hr = EnterOperation("Commit", grfCommitFlags);
        if (FAILED(hr) || (writable && ::fsync(fd) != 0)) {
            writeFailed = true;
            return FAILED(hr) ? hr : STG_E_WRITEFAULT;
        }
        // The data and the file's name in its folder: a saved file is what a message keeps
        // in place of its attachment, so it must survive a crash as the rewritten message does.
        if (writable && !embedded::SyncFolderOf(nativePath)) {
            writeFailed = true;
            return STG_E_WRITEFAULT;
        }
        return S_OK;
    }

  private:
    ~FileStream() override {
        if (::close(fd) == 0 && writable && !writeFailed) {
            if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
                watcher->FileWritten(nativePath);
            }
        }
    }

    int fd;
    bool writable;
    std::string nativePath;
    bool writeFailed = false;
};

} // namespace

namespace {

HRESULT OpenFileStream(ULONG ulFlags, LPSTR lpszFileName, LPSTREAM* lppStream) {
    if (lpszFileName == nullptr || lppStream == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    // A unique temporary name is not asked for by the module; refuse it rather than guess.
    if ((ulFlags & SOF_UNIQUEFILENAME) != 0) {
        return MAPI_E_NO_SUPPORT;
    }
    const auto nativePath = embedded::ToNativePath(lpszFileName);
    if (!nativePath) {
        return MAPI_E_NOT_FOUND;
    }
    const DWORD access = ulFlags & 0x3;
    const bool writable = access == STGM_WRITE || access == STGM_READWRITE;
    int flags = access == STGM_READWRITE ? O_RDWR : (access == STGM_WRITE ? O_WRONLY : O_RDONLY);
    if ((ulFlags & STGM_CREATE) != 0) {
        if (!writable) {
            return MAPI_E_INVALID_PARAMETER;
        }
        flags |= O_CREAT | O_TRUNC;
    }
    // A file written here is the one at the name, never a link's target elsewhere.
    if (writable) {
        flags |= O_NOFOLLOW;
    }
    const int fd = ::open(nativePath->c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        embedded::NoteFailedCall("OpenStreamOnFile", *nativePath, error);
        return error == ELOOP ? MAPI_E_NO_ACCESS : ResultOfErrno(error);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return MAPI_E_NO_ACCESS;
    }
    if ((flags & O_CREAT) != 0) {
        embedded::NoteNameAdded(*nativePath);
    }
    *lppStream = new FileStream(fd, writable, *nativePath);
    return S_OK;
}

// The system error a caller reads after a failed open, as the file layer would leave it.
DWORD LastErrorOf(HRESULT hr) {
    if (hr == MAPI_E_NOT_FOUND) {
        return ERROR_FILE_NOT_FOUND;
    }
    return embedded::Win32CodeOf(hr);
}

} // namespace

HRESULT STDMETHODCALLTYPE OpenStreamOnFile(LPALLOCATEBUFFER, LPFREEBUFFER, ULONG ulFlags,
                                           LPSTR lpszFileName, LPSTR, LPSTREAM* lppStream) {
    if (lppStream != nullptr) {
        *lppStream = nullptr;
    }
    HRESULT hr = EnterOperation("OpenStreamOnFile", ulFlags);
    if (SUCCEEDED(hr)) {
        hr = OpenFileStream(ulFlags, lpszFileName, lppStream);
    }
    if (FAILED(hr)) {
        SetLastError(LastErrorOf(hr));
    }
    return hr;
}
