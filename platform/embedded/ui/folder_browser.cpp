// The shell's folder browser, answered by the person at the screen (the user agent).
#include "platform/embedded/system/item_id_list.h"
#include "platform/folder_browser.h"

#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"

#include <cstdlib>
#include <cstring>

namespace embedded {
LRESULT FolderBrowserMessage(Window& browser, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BFFM_SETSELECTIONA) {
        // wParam TRUE: lParam is a path; FALSE: an item list.
        if (wParam != FALSE) {
            browser.text = lParam == 0 ? "" : reinterpret_cast<LPCSTR>(lParam);
        } else {
            browser.text = WindowsPathOfItemIdList(reinterpret_cast<LPCITEMIDLIST>(lParam))
                               .value_or(std::string());
        }
        return TRUE;
    }
    return 0;
}

} // namespace embedded

PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderA(LPBROWSEINFOA browse) {
    if (!embedded::EnterWin32Operation("SHBrowseForFolderA",
                                       browse == nullptr ? 0 : browse->ulFlags)) {
        return nullptr;
    }
    embedded::UserAgent* agent = embedded::CurrentUserAgent();
    if (browse == nullptr || agent == nullptr) {
        return nullptr;
    }
    embedded::Window window;
    window.kind = embedded::WindowKind::FolderBrowser;
    window.parent = browse->hwndOwner;
    window.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    HWND handle = embedded::AddWindow(window);
    embedded::RunningDialogs().push_back(handle);
    if (browse->lpfn != nullptr) {
        browse->lpfn(handle, BFFM_INITIALIZED, 0, browse->lParam);
    }
    embedded::FolderBrowserRequest request;
    request.owner = browse->hwndOwner;
    request.title = browse->lpszTitle == nullptr ? "" : browse->lpszTitle;
    request.flags = browse->ulFlags;
    if (const embedded::Window* record = embedded::LookUpWindow(handle); record != nullptr) {
        request.selection = record->text;
    }
    std::optional<std::string> chosen = agent->AnswerFolderBrowser(request);
    std::erase(embedded::RunningDialogs(), handle);
    embedded::RemoveWindow(handle);
    if (!chosen) {
        return nullptr;
    }
    if (browse->pszDisplayName != nullptr) {
        // The display name is the folder's own name; the buffer holds 260 characters.
        std::string name = *chosen;
        while (!name.empty() && (name.back() == '\\' || name.back() == '/')) {
            name.pop_back();
        }
        std::size_t slash = name.find_last_of("\\/");
        embedded::CopyText(slash == std::string::npos ? name : name.substr(slash + 1),
                           browse->pszDisplayName, 260);
    }
    return embedded::MakeItemIdList(*chosen);
}
