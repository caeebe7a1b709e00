#include "engine/attachment_file.h"

#include "platform/com_ptr.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/ole_storage.h"
#include "platform/win32_files.h"

namespace {

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
    ComPtr<IStream> file;
    hr = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_CREATE | STGM_READWRITE,
                          const_cast<LPSTR>(path), nullptr, file.Out());
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
    if (FAILED(hr)) {
        // A part of the data at the final name would look like a good copy.
        file.Reset();
        DeleteFileA(path);
        return hr;
    }
    // Closed first, so that no later write of the stream moves the last-write time again.
    file.Reset();
    SetAttachmentTimes(path, creationTime, lastWriteTime);
    return hr;
}
