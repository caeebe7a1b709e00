// The common Open and Save As dialogs, answered by the person at the screen (the user agent).
#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

#include <algorithm>
#include <cstring>

namespace {

DWORD& ExtendedError() {
    static DWORD error = 0;
    return error;
}

BOOL Fail(DWORD error) {
    ExtendedError() = error;
    return FALSE;
}

std::vector<std::string> FilterEntries(LPCSTR filter) {
    std::vector<std::string> entries;
    // A list of texts, each ended by a terminator, the list by an empty text.
    for (LPCSTR entry = filter; entry != nullptr && *entry != '\0';
         entry += std::strlen(entry) + 1) {
        entries.emplace_back(entry);
    }
    return entries;
}

BOOL RunFileDialog(const char* operation, bool save, LPOPENFILENAMEA dialog) {
    std::uint64_t flags = 0;
    if (dialog != nullptr) {
        flags = (static_cast<std::uint64_t>(dialog->lStructSize) << 32) | dialog->Flags;
    }
    // The call log holds the structure size in the high half and the flags in the low half.
    if (!embedded::EnterWin32Operation(operation, flags)) {
        return Fail(CDERR_DIALOGFAILURE);
    }
    ExtendedError() = 0;
    if (dialog == nullptr) {
        return Fail(CDERR_INITIALIZATION);
    }
    if (dialog->lStructSize != kOpenFileNameSizeNT4 &&
        dialog->lStructSize != sizeof(OPENFILENAMEA)) {
        return Fail(CDERR_STRUCTSIZE);
    }
    if (dialog->lpstrFile == nullptr || dialog->nMaxFile == 0 ||
        (dialog->hwndOwner != nullptr && embedded::LookUpWindow(dialog->hwndOwner) == nullptr)) {
        return Fail(CDERR_INITIALIZATION);
    }
    embedded::UserAgent* agent = embedded::CurrentUserAgent();
    if (agent == nullptr) {
        return Fail(CDERR_DIALOGFAILURE);
    }
    embedded::FileDialogRequest request;
    request.save = save;
    request.owner = dialog->hwndOwner;
    request.structSize = dialog->lStructSize;
    request.flags = dialog->Flags;
    request.title = dialog->lpstrTitle == nullptr ? "" : dialog->lpstrTitle;
    request.initialFolder = dialog->lpstrInitialDir == nullptr ? "" : dialog->lpstrInitialDir;
    request.initialFile.assign(dialog->lpstrFile, strnlen(dialog->lpstrFile, dialog->nMaxFile));
    request.filter = FilterEntries(dialog->lpstrFilter);
    request.capacity = dialog->nMaxFile;

    std::optional<std::string> chosen = agent->AnswerFileDialog(request);
    if (!chosen) {
        return FALSE; // cancelled: no extended error
    }
    if (chosen->size() + 1 > dialog->nMaxFile) {
        // The first two bytes of the buffer tell the size that would have been needed.
        if (dialog->nMaxFile >= 2) {
            auto needed = static_cast<WORD>(std::min<std::size_t>(chosen->size() + 1, 0xFFFF));
            std::memcpy(dialog->lpstrFile, &needed, sizeof(needed));
        }
        return Fail(FNERR_BUFFERTOOSMALL);
    }
    std::memcpy(dialog->lpstrFile, chosen->c_str(), chosen->size() + 1);
    std::size_t nameAt = chosen->find_last_of("\\/");
    nameAt = nameAt == std::string::npos ? 0 : nameAt + 1;
    std::size_t dotAt = chosen->find_last_of('.');
    dialog->nFileOffset = static_cast<WORD>(nameAt);
    dialog->nFileExtension = static_cast<WORD>(
        dotAt == std::string::npos || dotAt < nameAt ? chosen->size() : dotAt + 1);
    if (dialog->lpstrFileTitle != nullptr && dialog->nMaxFileTitle > 0) {
        embedded::CopyText(chosen->substr(nameAt), dialog->lpstrFileTitle,
                           static_cast<int>(dialog->nMaxFileTitle));
    }
    return TRUE;
}

} // namespace

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA dialog) {
    return RunFileDialog("GetSaveFileNameA", true, dialog);
}

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA dialog) {
    return RunFileDialog("GetOpenFileNameA", false, dialog);
}

DWORD WINAPI CommDlgExtendedError() {
    if (!embedded::EnterWin32Operation("CommDlgExtendedError")) {
        return 0;
    }
    return ExtendedError();
}
