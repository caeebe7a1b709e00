// The commands facet of the MailExtension: the "Filvex" submenu, the Save button, their help
// texts, and the dispatch of the client's command calls.
#include "host/command_handlers.h"
#include "host/mail_extension.h"
#include "module/about_box.h"
#include "module/module_instance.h"
#include "platform/com_ptr.h"
#include "platform/win32_menus.h"
#include "platform/win32_text.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

#include <cstring>

namespace {

// The client's command that marks the menu the submenu goes into.
constexpr ULONG kAnchorCommand = 136;
constexpr int kMenuTextCapacity = 2048;

bool IsViewer(ULONG context) {
    return context == EECONTEXT_VIEWER || context == EECONTEXT_SEARCHVIEWER;
}

bool HasCommands(ULONG context) {
    return IsViewer(context) || context == EECONTEXT_READNOTEMESSAGE ||
           context == EECONTEXT_READPOSTMESSAGE;
}

LONG TakeCommandId(UINT* base) {
    return static_cast<LONG>((*base)++);
}

void AddMenuItem(HMENU popup, UINT position, LONG commandId, UINT textId) {
    char text[kMenuTextCapacity];
    if (LoadStringA(ModuleInstance(), textId, text, kMenuTextCapacity) == 0) {
        text[0] = '\0';
    }
    InsertMenuA(popup, position, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(commandId), text);
}

} // namespace

HWND CommandOwnerWindow(const MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    HWND owner = extension.mainWindow;
    HWND window = nullptr;
    if (callback != nullptr && SUCCEEDED(callback->GetWindow(&window))) {
        owner = window;
    }
    return owner;
}

HRESULT AboutCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    ShowAboutBox(CommandOwnerWindow(extension, callback));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MailExtension::InstallCommands(LPEXCHEXTCALLBACK lpeecb, HWND hwnd, HMENU,
                                                         UINT* lpcmdidBase, LPTBENTRY lptbeArray,
                                                         UINT ctbe, ULONG) {
    if (!HasCommands(context) || lpeecb == nullptr || lpcmdidBase == nullptr) {
        return S_OK;
    }
    ComPtr<IMAPISession> session;
    if (FAILED(lpeecb->GetSession(session.Out(), nullptr))) {
        return S_OK;
    }
    if (context == EECONTEXT_VIEWER) {
        SetLastViewerWindow(hwnd);
    }
    mainWindow = hwnd;
    saveCommandId = TakeCommandId(lpcmdidBase);

    HMENU hostMenu = nullptr;
    ULONG position = 0;
    if (SUCCEEDED(lpeecb->GetMenuPos(kAnchorCommand, &hostMenu, &position, nullptr, 0)) &&
        hostMenu != nullptr) {
        displayLinkInfoCommandId = TakeCommandId(lpcmdidBase);
        if (IsViewer(context)) {
            reattachCommandId = TakeCommandId(lpcmdidBase);
            batchUpdateCommandId = TakeCommandId(lpcmdidBase);
        }
        aboutCommandId = TakeCommandId(lpcmdidBase);

        AppendMenuA(hostMenu, MF_SEPARATOR, 0, nullptr);
        HMENU popup = CreatePopupMenu();
        if (popup != nullptr) {
            UINT item = 0;
            AddMenuItem(popup, item++, saveCommandId, resource_ids::kSaveMenuItem);
            AddMenuItem(popup, item++, displayLinkInfoCommandId,
                        resource_ids::kDisplayLinksMenuItem);
            if (IsViewer(context)) {
                AddMenuItem(popup, item++, reattachCommandId, resource_ids::kReattachMenuItem);
                AddMenuItem(popup, item++, batchUpdateCommandId,
                            resource_ids::kBatchUpdateMenuItem);
            }
            AddMenuItem(popup, item++, aboutCommandId, resource_ids::kAboutMenuItem);
            char title[kMenuTextCapacity];
            if (LoadStringA(ModuleInstance(), resource_ids::kProductCaption, title,
                            kMenuTextCapacity) == 0) {
                title[0] = '\0';
            }
            AppendMenuA(hostMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), title);
        }
    }

    // Only the last standard toolbar among the entries gets the button.
    for (UINT i = ctbe; lptbeArray != nullptr && i-- > 0;) {
        TBENTRY& entry = lptbeArray[i];
        if (entry.tbid != EETBID_STANDARD) {
            continue;
        }
        toolbarButtonIndex = static_cast<LONG>(entry.itbbBase++);
        if (entry.hwnd != nullptr) {
            TBADDBITMAP bitmap{ModuleInstance(), resource_ids::kToolbarBitmap};
            toolbarBitmapIndex = static_cast<LONG>(
                SendMessageA(entry.hwnd, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)));
        }
        break;
    }
    return S_OK;
}

void STDMETHODCALLTYPE MailExtension::InitMenu(LPEXCHEXTCALLBACK) {}

HRESULT STDMETHODCALLTYPE MailExtension::DoCommand(LPEXCHEXTCALLBACK lpeecb, UINT cmdid) {
    if (!TakesPartIn(context)) {
        return S_FALSE;
    }
    const LONG id = static_cast<LONG>(cmdid);
    using Handler = HRESULT (*)(MailExtension&, LPEXCHEXTCALLBACK);
    const struct {
        LONG commandId;
        Handler handler;
    } commands[] = {
        {saveCommandId, SaveAttachmentsCommand},
        {reattachCommandId, ReattachLinksCommand},
        {displayLinkInfoCommandId, DisplayLinkInfoCommand},
        {batchUpdateCommandId, BatchUpdateLinksCommand},
        {aboutCommandId, AboutCommand},
    };
    for (const auto& command : commands) {
        // An id of -1 is a command not installed here; no client id is -1.
        if (command.commandId != -1 && command.commandId == id) {
            return command.handler(*this, lpeecb);
        }
    }
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::Help(LPEXCHEXTCALLBACK, UINT) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::QueryHelpText(UINT cmdid, ULONG ulFlags, LPSTR lpsz,
                                                       UINT cch) {
    if (saveCommandId == -1 || static_cast<LONG>(cmdid) != saveCommandId) {
        return S_FALSE;
    }
    UINT textId = ulFlags == EECQHT_STATUS    ? resource_ids::kSaveStatusText
                  : ulFlags == EECQHT_TOOLTIP ? resource_ids::kSaveButtonTip
                                              : 0;
    if (textId != 0 && lpsz != nullptr && cch > 0) {
        LoadStringA(ModuleInstance(), textId, lpsz, static_cast<int>(cch));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MailExtension::QueryButtonInfo(ULONG, UINT itbb, LPTBBUTTON ptbb,
                                                         LPSTR lpsz, UINT cch, ULONG) {
    if (toolbarButtonIndex == -1 || static_cast<LONG>(itbb) != toolbarButtonIndex ||
        ptbb == nullptr) {
        return S_FALSE;
    }
    ptbb->iBitmap = toolbarBitmapIndex;
    ptbb->idCommand = saveCommandId;
    ptbb->fsState = TBSTATE_ENABLED;
    ptbb->fsStyle = TBSTYLE_BUTTON;
    ptbb->dwData = 0;
    ptbb->iString = -1;
    if (lpsz != nullptr && cch > 0) {
        LoadStringA(ModuleInstance(), resource_ids::kSaveButtonTip, lpsz, static_cast<int>(cch));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MailExtension::ResetToolbar(ULONG, ULONG) {
    return S_OK;
}
