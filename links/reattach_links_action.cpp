#include "links/reattach_links_action.h"

#include "base/bounded_text.h"
#include "links/link_attachment.h"
#include "module/module_instance.h"
#include "module/user_messages.h"
#include "platform/common_dialogs.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/ole_storage.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

#include <cstring>

namespace {

constexpr std::size_t kPathCapacity = 260;
constexpr int kTitleCapacity = 256;

struct FileFacts {
    FILETIME created{};
    FILETIME written{};
    ULONGLONG size = 0;
};

bool IsZero(const FILETIME& time) {
    return time.dwLowDateTime == 0 && time.dwHighDateTime == 0;
}

// Opens the file as the reattach reads it; its times and size are taken on the way.
bool ReadFileFacts(LPCSTR path, FileFacts& facts) {
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    facts = FileFacts();
    if (!GetFileTime(file, &facts.created, nullptr, &facts.written)) {
        facts.created = FILETIME{};
        facts.written = FILETIME{};
    }
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    const DWORD low = GetFileSize(file, &high);
    const bool sized = low != INVALID_FILE_SIZE || GetLastError() == ERROR_SUCCESS;
    CloseHandle(file);
    if (!sized) {
        return false;
    }
    facts.size = (static_cast<ULONGLONG>(high) << 32) | low;
    return true;
}

// The user's pick replaces `path` (room for kPathCapacity); false when they cancelled.
bool BrowseForFile(HWND owner, char* path) {
    char title[kTitleCapacity] = "";
    LoadStringA(ModuleInstance(), resource_ids::kFindDetachedFileTitle, title, kTitleCapacity);
    char picked[kPathCapacity];
    BoundedCopy(picked, kPathCapacity, path);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = kOpenFileNameSizeNT4;
    dialog.hwndOwner = owner;
    dialog.lpstrFile = picked;
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameA(&dialog)) {
        return false;
    }
    BoundedCopy(path, kPathCapacity, picked);
    return true;
}

// The name part of a path: after its last backslash, or the whole path.
LPCSTR FileNamePart(LPCSTR path) {
    LPCSTR name = path;
    for (LPCSTR p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

// Yes goes on without this link, anything else stops the command.
HRESULT AskAfterUnreadable(HWND owner, LPCSTR path, DWORD error) {
    const int answer = ShowResourceMessage(owner, resource_ids::kReattachFileUnreadable,
                                           MB_YESNO | MB_ICONERROR, path, static_cast<int>(error));
    return answer == IDYES ? S_FALSE : E_FAIL;
}

} // namespace

HRESULT ReattachLinksAction::ProcessAttachment(LONG method, LONG number) {
    if (!IsLinkMethod(method)) {
        return S_OK;
    }
    const HRESULT hr = Reattach(static_cast<ULONG>(number));
    if (hr == S_OK) {
        RemoveLinkAttachment(number);
    }
    return hr;
}

HRESULT ReattachLinksAction::Reattach(ULONG number) {
    OpenedLink link;
    HRESULT hr = OpenLink(message.Get(), number, false, link);
    if (hr != S_OK) {
        return hr;
    }
    // A path too long for the buffer is never cut: a cut path names another file, which would
    // then be reattached and deleted. It is offered as a file that cannot be opened.
    char path[kPathCapacity] = "";
    bool pathUsable = std::strlen(link.path) < kPathCapacity;
    if (pathUsable) {
        BoundedCopy(path, kPathCapacity, link.path);
    }
    FileFacts facts;
    while (!pathUsable || !ReadFileFacts(path, facts)) {
        const int answer =
            ShowResourceMessage(ownerWindow, resource_ids::kReattachFileMissing,
                                MB_YESNOCANCEL | MB_ICONERROR, pathUsable ? path : link.path);
        if (answer == IDNO) {
            return S_FALSE;
        }
        if (answer != IDYES) {
            return MAPI_E_USER_CANCEL;
        }
        // A cancelled browse tries the same path again, and so brings the question back.
        if (BrowseForFile(ownerWindow, path)) {
            pathUsable = true;
        }
    }

    ComPtr<IAttach> attachment;
    ULONG newNumber = 0;
    hr =
        message->CreateAttach(&IID_IAttachment, MAPI_DEFERRED_ERRORS, &newNumber, attachment.Out());
    if (FAILED(hr)) {
        return hr;
    }
    SPropValue method{};
    method.ulPropTag = PR_ATTACH_METHOD;
    method.Value.l = ATTACH_BY_VALUE;
    hr = attachment->SetProps(1, &method, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IStream> data;
    hr = attachment->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0,
                                  MAPI_CREATE | MAPI_MODIFY | MAPI_DEFERRED_ERRORS,
                                  data.OutUnknown());
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IStream> file;
    hr = OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, STGM_READ, path, nullptr, file.Out());
    if (FAILED(hr)) {
        // The new attachment goes unsaved with its object, and the link stays.
        return AskAfterUnreadable(ownerWindow, path, GetLastError());
    }
    ULARGE_INTEGER all{};
    all.QuadPart = 0x7FFFFFFFFFFFFFFFull;
    ULARGE_INTEGER read{};
    ULARGE_INTEGER written{};
    hr = file->CopyTo(data.Get(), all, &read, &written);
    if (FAILED(hr)) {
        return hr;
    }
    // The link may only go when the message holds the whole file: a file that changed size
    // since it was opened, or a copy that came up short, keeps its link and its file.
    STATSTG now{};
    const bool whole = read.QuadPart == facts.size && written.QuadPart == read.QuadPart &&
                       SUCCEEDED(file->Stat(&now, STATFLAG_NONAME)) &&
                       now.cbSize.QuadPart == read.QuadPart;
    file.Reset();
    data.Reset();
    if (!whole) {
        return AskAfterUnreadable(ownerWindow, path, ERROR_READ_FAULT);
    }

    SPropValue values[3] = {};
    ULONG count = 0;
    values[count].ulPropTag = PR_ATTACH_LONG_FILENAME;
    values[count++].Value.lpszA = const_cast<LPSTR>(FileNamePart(path));
    if (!IsZero(facts.created)) {
        values[count].ulPropTag = PR_CREATION_TIME;
        values[count++].Value.ft = facts.created;
    }
    if (!IsZero(facts.written)) {
        values[count].ulPropTag = PR_LAST_MODIFICATION_TIME;
        values[count++].Value.ft = facts.written;
    }
    hr = attachment->SetProps(count, values, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    hr = attachment->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(hr)) {
        return hr;
    }
    ++processedCount;
    filesToDelete.emplace_back(path);
    return S_OK;
}

HRESULT ReattachLinksAction::Finish() {
    bool deleteFiles = false;
    HRESULT result = S_OK;
    if (modified) {
        const HRESULT saved = message->SaveChanges(KEEP_OPEN_READWRITE);
        // Unsaved, the message holds no copy of the files: they stay where they are.
        if (SUCCEEDED(saved)) {
            deleteFiles = options.deleteReattachedFiles != 0;
            result = saved;
        }
    }
    while (!filesToDelete.empty()) {
        if (deleteFiles) {
            DeleteFileA(filesToDelete.back().c_str());
        }
        filesToDelete.pop_back();
    }
    return result;
}
