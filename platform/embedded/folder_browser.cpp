#include "platform/embedded/browsed_folder.h"

#include "platform/embedded/user_agent.h"
#include "platform/embedded/win32_entry.h"
#include "platform/embedded/window_table.h"

#include <cstdlib>
#include <cstring>

namespace embedded {
namespace {

// The list's one item: its size, a tag that marks it as ours, the path with its terminator.
// The list ends with an item of size 0.
constexpr char kTag[4] = {'F', 'V', 'P', 'T'};

PIDLIST_ABSOLUTE MakeList(const std::string& path) {
    std::size_t itemSize = sizeof(WORD) + sizeof(kTag) + path.size() + 1;
    if (itemSize > 0xFFFF) {
        return nullptr;
    }
    auto* bytes = static_cast<BYTE*>(std::malloc(itemSize + sizeof(WORD)));
    if (bytes == nullptr) {
        return nullptr;
    }
    auto size = static_cast<WORD>(itemSize);
    std::memcpy(bytes, &size, sizeof(size));
    std::memcpy(bytes + sizeof(WORD), kTag, sizeof(kTag));
    std::memcpy(bytes + sizeof(WORD) + sizeof(kTag), path.c_str(), path.size() + 1);
    std::memset(bytes + itemSize, 0, sizeof(WORD));
    return reinterpret_cast<PIDLIST_ABSOLUTE>(bytes);
}

} // namespace

std::optional<std::string> PathOfBrowsedFolder(PCIDLIST_ABSOLUTE list) {
    if (list == nullptr) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const BYTE*>(list);
    WORD size = 0;
    std::memcpy(&size, bytes, sizeof(size));
    if (size <= sizeof(WORD) + sizeof(kTag) ||
        std::memcmp(bytes + sizeof(WORD), kTag, sizeof(kTag)) != 0) {
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(bytes + sizeof(WORD) + sizeof(kTag)));
}

void FreeBrowsedFolder(PIDLIST_ABSOLUTE list) {
    std::free(list);
}

LRESULT FolderBrowserMessage(Window& browser, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BFFM_SETSELECTIONA) {
        // wParam TRUE: lParam is a path; FALSE: an item list.
        if (wParam != FALSE) {
            browser.text = lParam == 0 ? "" : reinterpret_cast<LPCSTR>(lParam);
        } else {
            browser.text = PathOfBrowsedFolder(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam))
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
    return embedded::MakeList(*chosen);
}
