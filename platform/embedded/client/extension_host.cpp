#include "platform/embedded/client/extension_host.h"

#include "platform/embedded/ui/menu_table.h"

#include "platform/embedded/ui/client_windows.h"
#include "platform/mapi_functions.h"
#include "platform/win32_menus.h"

#include <algorithm>
#include <cstring>

namespace embedded {

ExtensionHost::ExtensionHost(IMAPISession* session, const std::string& caption) {
    if (session != nullptr) {
        session->AddRef();
        this->session.Reset(session);
    }
    window = CreateClientWindow(caption, RECT{100, 100, 1100, 800}, kClientMainWindowClass);
    toolbar = CreateToolbarWindow(window);
    menuBar = CreateMenu();
    HMENU fileMenu = CreatePopupMenu();
    AppendMenuA(fileMenu, MF_STRING, 101, "&Open");
    AppendMenuA(menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu), "&File");
    toolsMenu = CreatePopupMenu();
    AppendMenuA(toolsMenu, MF_STRING, 135, "&Address Book...");
    AppendMenuA(toolsMenu, MF_STRING, kToolsMenuAnchor, "&Options...");
    AppendMenuA(menuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(toolsMenu), "&Tools");
    toolbarEntry = TBENTRY{toolbar, EETBID_STANDARD, 0, kFirstFreeButton};
}

ExtensionHost::~ExtensionHost() {
    Unload();
}

void ExtensionHost::Select(std::vector<EntryId> messages) {
    selection.clear();
    unsaved.Reset();
    for (EntryId& id : messages) {
        selection.push_back({std::move(id), MAPI_MESSAGE});
    }
}

void ExtensionHost::SelectUnsaved(IMessage* message) {
    selection = {{EntryId{}, MAPI_MESSAGE}};
    message->AddRef();
    unsaved.Reset(message);
}

void ExtensionHost::SelectFolderAt(std::size_t index, const EntryId& folder) {
    index = std::min(index, selection.size());
    selection.insert(selection.begin() + static_cast<std::ptrdiff_t>(index), {folder, MAPI_FOLDER});
}

bool ExtensionHost::Refuses(const char* operation) const {
    return std::find(refused.begin(), refused.end(), operation) != refused.end();
}

bool ExtensionHost::Load(LPFNEXCHEXTENTRY entry, ULONG context) {
    Unload();
    extension.Reset(entry());
    if (!extension) {
        return false;
    }
    if (extension->Install(this, context, 0) != S_OK) {
        Unload();
        return false;
    }
    if (FAILED(extension->QueryInterface(IID_IExchExtCommands,
                                         reinterpret_cast<void**>(commands.Out())))) {
        return true;
    }
    nextCommand = kFirstExtensionCommand;
    commands->InstallCommands(this, window, menuBar, &nextCommand, &toolbarEntry, 1, 0);
    return true;
}

namespace {

UINT CommandIn(HMENU menu, const std::string& itemText, int depth) {
    const Menu* found = LookUpMenu(menu);
    if (found == nullptr || depth > 8) {
        return 0;
    }
    for (const MenuItem& item : found->items) {
        if (item.popup != nullptr) {
            if (UINT command = CommandIn(item.popup, itemText, depth + 1)) {
                return command;
            }
        } else if (item.text == itemText) {
            return item.command;
        }
    }
    return 0;
}

} // namespace

UINT ExtensionHost::MenuCommand(const std::string& itemText) const {
    return CommandIn(menuBar, itemText, 0);
}

void ExtensionHost::Unload() {
    commands.Reset();
    extension.Reset();
}

ULONG ExtensionHost::Write(IExchExtMessageEvents* events, HRESULT& written) {
    events->OnWrite(this);
    written = unsaved ? unsaved->SaveChanges(KEEP_OPEN_READWRITE) : MAPI_E_NOT_FOUND;
    return FAILED(written) ? EEME_FAILED : 0;
}

ExtensionHost::SendOutcome ExtensionHost::Send() {
    SendOutcome outcome;
    ComPtr<IExchExtMessageEvents> events;
    if (!extension || FAILED(extension->QueryInterface(IID_IExchExtMessageEvents,
                                                       reinterpret_cast<void**>(events.Out())))) {
        outcome.write = MAPI_E_NO_SUPPORT;
        return outcome;
    }
    events->OnCheckNames(this);
    events->OnCheckNamesComplete(this, 0);
    outcome.submit = events->OnSubmit(this);
    const ULONG flags = Write(events.Get(), outcome.write);
    outcome.writeComplete = events->OnWriteComplete(this, flags);
    outcome.sent = SUCCEEDED(outcome.write) && SUCCEEDED(outcome.writeComplete);
    events->OnSubmitComplete(this, outcome.sent ? 0 : EEME_FAILED);
    return outcome;
}

HRESULT ExtensionHost::SaveDraft() {
    ComPtr<IExchExtMessageEvents> events;
    if (!extension || FAILED(extension->QueryInterface(IID_IExchExtMessageEvents,
                                                       reinterpret_cast<void**>(events.Out())))) {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT written = S_OK;
    const ULONG flags = Write(events.Get(), written);
    events->OnWriteComplete(this, flags);
    return written;
}

HRESULT ExtensionHost::DoCommand(UINT command) {
    return commands ? commands->DoCommand(this, command) : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExchExtCallback)) {
        *ppvObject = static_cast<IExchExtCallback*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetVersion(ULONG* lpulVersion, ULONG) {
    if (lpulVersion == nullptr) {
        return E_INVALIDARG;
    }
    *lpulVersion = 0x01050000; // a 32-bit client of the extension interfaces' latest version
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetWindow(HWND* lphwnd) {
    if (lphwnd == nullptr) {
        return E_INVALIDARG;
    }
    *lphwnd = nullptr;
    if (Refuses("GetWindow")) {
        return E_FAIL;
    }
    *lphwnd = window;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetMenu(HMENU* lphmenu) {
    if (lphmenu == nullptr) {
        return E_INVALIDARG;
    }
    *lphmenu = menuBar;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetToolbar(ULONG tbid, HWND* lphwndTb) {
    if (lphwndTb == nullptr) {
        return E_INVALIDARG;
    }
    *lphwndTb = tbid == EETBID_STANDARD ? toolbar : nullptr;
    return *lphwndTb != nullptr ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetSession(LPMAPISESSION* lppses, LPADRBOOK* lppab) {
    if (lppab != nullptr) {
        *lppab = nullptr;
    }
    if (lppses == nullptr) {
        return E_INVALIDARG;
    }
    *lppses = nullptr;
    if (Refuses("GetSession") || !session) {
        return MAPI_E_CALL_FAILED;
    }
    session->AddRef();
    *lppses = session.Get();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) {
    if (lppmdb != nullptr) {
        *lppmdb = nullptr;
    }
    if (lppmp == nullptr) {
        return E_INVALIDARG;
    }
    *lppmp = nullptr;
    if (!unsaved) {
        return MAPI_E_NOT_FOUND;
    }
    unsaved->AddRef();
    *lppmp = unsaved.Get();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetSelectionCount(ULONG* lpceid) {
    if (lpceid == nullptr) {
        return E_INVALIDARG;
    }
    if (Refuses("GetSelectionCount")) {
        return MAPI_E_CALL_FAILED;
    }
    *lpceid = static_cast<ULONG>(selection.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetSelectionItem(ULONG ieid, ULONG* lpcbEid,
                                                          LPENTRYID* lppeid, ULONG* lpulType,
                                                          LPSTR lpszMsgClass, ULONG cbMsgClass,
                                                          ULONG* lpulMsgFlags, ULONG) {
    if (ieid >= selection.size() || lpcbEid == nullptr || lppeid == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    const Item& item = selection[ieid];
    lastAsked = std::max(lastAsked.value_or(0), ieid);
    if (itemWatcher) {
        itemWatcher(ieid, static_cast<ULONG>(selection.size()));
    }
    *lpcbEid = item.id.Size();
    *lppeid = nullptr;
    if (item.id.Size() > 0) {
        void* copy = nullptr;
        HRESULT hr = MAPIAllocateBuffer(item.id.Size(), &copy);
        if (FAILED(hr)) {
            return hr;
        }
        std::memcpy(copy, item.id.bytes.data(), item.id.Size());
        *lppeid = static_cast<LPENTRYID>(copy);
    }
    if (lpulType != nullptr) {
        *lpulType = item.type;
    }
    if (lpszMsgClass != nullptr && cbMsgClass > 0) {
        lpszMsgClass[0] = '\0';
    }
    if (lpulMsgFlags != nullptr) {
        *lpulMsgFlags = 0;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetMenuPos(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin,
                                                    ULONG* lpmposMax, ULONG) {
    if (lphmenu == nullptr) {
        return E_INVALIDARG;
    }
    *lphmenu = nullptr;
    if (Refuses("GetMenuPos")) {
        return E_FAIL;
    }
    const int count = GetMenuItemCount(toolsMenu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(toolsMenu, i) == cmdid) {
            *lphmenu = toolsMenu;
            if (lpmposMin != nullptr) {
                *lpmposMin = static_cast<ULONG>(i);
            }
            if (lpmposMax != nullptr) {
                *lpmposMax = static_cast<ULONG>(i);
            }
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE ExtensionHost::GetSharedExtsDir(LPSTR, ULONG, ULONG) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ExtensionHost::GetRecipients(LPADRLIST*) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ExtensionHost::SetRecipients(LPADRLIST) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ExtensionHost::GetNewMessageSite(ULONG, LPMAPIFOLDER, IUnknown*,
                                                           LPMESSAGE*, IUnknown**, IUnknown**,
                                                           ULONG) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ExtensionHost::RegisterModeless(IUnknown*, IUnknown**) {
    return E_NOTIMPL;
}
HRESULT STDMETHODCALLTYPE ExtensionHost::ChooseFolder(LPMDB*, LPMAPIFOLDER*, LPVOID) {
    return E_NOTIMPL;
}

} // namespace embedded
