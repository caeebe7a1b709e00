// The link commands: Reattach Links, Batch-Update Links and Display Link Info, each a walk
// over the selection with its own visitor.
#include "host/command_handlers.h"
#include "host/link_visitors.h"
#include "host/selection_walk.h"
#include "links/display_links_action.h"
#include "links/reattach_links_action.h"
#include "links/summary_dialog.h"
#include "links/update_links_action.h"
#include "links/update_links_dialog.h"
#include "module/module_instance.h"
#include "module/user_messages.h"
#include "options/command_options.h"
#include "options/options_persistence.h"
#include "platform/com_ptr.h"
#include "platform/cursors.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

#include <memory>

namespace {

constexpr DWORD kSummaryCapacity = 256;

// The box after a reattach or an update, unless the user turned it off; its check box turns
// off both summaries and is stored at once.
void ShowLinkSummary(HWND owner, SaveOptions& options, UINT stringId, LONG total) {
    if (options.showReattachSummary == 0) {
        return;
    }
    char text[kSummaryCapacity] = "";
    FormatResourceString(ModuleInstance(), stringId, text, kSummaryCapacity,
                         static_cast<int>(total));
    SummaryDialog summary(text);
    const std::int32_t show = summary.Show(owner) ? 0 : 1;
    if (show != options.showReattachSummary) {
        options.showReattachSummary = show;
        SaveToRegistry(options);
    }
}

template <class Action> HRESULT RunAction(Action& action, LONG& total) {
    const HRESULT hr = action.Run();
    total += action.processedCount;
    return hr;
}

} // namespace

HRESULT ReattachVisitor::Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) {
    ReattachLinksAction action(session, message, ownerWindow, options);
    return RunAction(action, total);
}

HRESULT ReattachLinksCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    const HWND owner = CommandOwnerWindow(extension, callback);
    ComPtr<IMAPISession> session;
    if (FAILED(callback->GetSession(session.Out(), nullptr))) {
        return S_OK;
    }
    std::shared_ptr<SaveOptions> options = AcquireCommandOptions();
    ULONG selected = 0;
    if (!options || FAILED(callback->GetSelectionCount(&selected))) {
        return S_OK;
    }
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    ReattachVisitor visitor(*options);
    const HRESULT walked = ForEachSelectedMessage(callback, session.Get(), owner, visitor);
    SetCursor(previous);
    if (FAILED(walked)) {
        return S_OK;
    }
    ShowLinkSummary(owner, *options, resource_ids::kReattachSummary, visitor.total);
    return S_OK;
}

HRESULT UpdateLinksVisitor::Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) {
    UpdateLinksAction action(session, message, ownerWindow, options, oldPath, newPath);
    return RunAction(action, total);
}

HRESULT DisplayLinksVisitor::Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) {
    DisplayLinksAction action(session, message, ownerWindow, options);
    return RunAction(action, total);
}

HRESULT BatchUpdateLinksCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    UpdateLinksDialog dialog;
    const HWND owner = CommandOwnerWindow(extension, callback);
    ComPtr<IMAPISession> session;
    if (FAILED(callback->GetSession(session.Out(), nullptr))) {
        return S_OK;
    }
    std::shared_ptr<SaveOptions> options = AcquireCommandOptions();
    ULONG selected = 0;
    if (!options || FAILED(callback->GetSelectionCount(&selected))) {
        return S_OK;
    }
    if (dialog.Show(owner) != IDOK) {
        return S_OK;
    }
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    UpdateLinksVisitor visitor(*options, dialog.oldPath, dialog.newPath);
    const HRESULT walked = ForEachSelectedMessage(callback, session.Get(), owner, visitor);
    SetCursor(previous);
    if (FAILED(walked)) {
        return S_OK;
    }
    ShowLinkSummary(owner, *options, resource_ids::kRenameSummary, visitor.total);
    return S_OK;
}

HRESULT DisplayLinkInfoCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    const HWND owner = CommandOwnerWindow(extension, callback);
    ComPtr<IMAPISession> session;
    if (FAILED(callback->GetSession(session.Out(), nullptr))) {
        return S_OK;
    }
    std::shared_ptr<SaveOptions> options = AcquireCommandOptions();
    if (!options) {
        return S_OK;
    }
    DisplayLinksVisitor visitor(*options);
    ForEachSelectedMessage(callback, session.Get(), owner, visitor);
    return S_OK;
}
