#include "engine/attachment_file.h"

#include "base/bounded_text.h"
#include "base/path_parts.h"
#include "platform/com_ptr.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/ole_storage.h"
#include "platform/win32_files.h"

namespace {

// Where a file is written before it takes its name: hidden in the same folder, so that the
// rename cannot cross disks.
constexpr char kPartialName[] = "~filvex-partial.tmp";
constexpr std::size_t kPartialPathCapacity = 260;

// "Everything there is": the copy ends at the end of the attachment's data.
constexpr ULONGLONG kWholeStream = 0x7FFFFFFFFFFFFFFFull;

// The times are the attachment's own (UTC), given as they are stored. A file whose times
// cannot be set is still a good copy, so nothing here is reported.
void SetAttachmentTimes(LPCSTR path, const FILETIME* creationTime, const FILETIME* lastWriteTime) {
    HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    SetFileTime(file, creationTime, nullptr, lastWriteTime);
    CloseHandle(file);
}

} // namespace

HRESULT WriteAttachmentFile(IAttach* attachment, LPCSTR path, const FILETIME* creationTime,
                            const FILETIME* lastWriteTime) {
    if (attachment == nullptr || path == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    ComPtr<IStream> data;
    HRESULT hr =
        attachment->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, data.OutUnknown());
    if (FAILED(hr)) {
        return hr;
    }
    // The data goes into a file of its own beside the final name and takes that name only once
    // it is whole and on the disk: a run killed half-way leaves no part of it at the name.
    char partial[kPartialPathCapacity];
    if (!FolderOfPath(path, partial) ||
        FAILED(BoundedAppend(partial, sizeof(partial), kPartialName))) {
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    }
    ComPtr<IStream> file;
    hr = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE, partial,
                          nullptr, file.Out());
    if (FAILED(hr)) {
        return hr;
    }
    // One copy of everything: the stream moves the data through in pieces, however big it is.
    ULARGE_INTEGER all{};
    all.QuadPart = kWholeStream;
    hr = data->CopyTo(file.Get(), all, nullptr, nullptr);
    // On the disk before anything relies on it: the message may lose the attachment next.
    if (SUCCEEDED(hr)) {
        hr = file->Commit(STGC_DEFAULT);
    }
    file.Reset();
    if (SUCCEEDED(hr) &&
        !MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        hr = HRESULT_FROM_WIN32(GetLastError());
    }
    if (FAILED(hr)) {
        // A part of the data would look like a good copy.
        DeleteFileA(partial);
        return hr;
    }
    SetAttachmentTimes(path, creationTime, lastWriteTime);
    return hr;
}
