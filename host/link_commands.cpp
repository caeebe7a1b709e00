// The link commands: Reattach Links, Batch-Update Links and Display Link Info, each a walk
// over the selection with its own visitor.
#include "host/command_handlers.h"
#include "host/command_start.h"
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
    const std::optional<CommandStart> start = StartCommand(extension, callback, true);
    if (!start) {
        return S_OK;
    }
    ReattachVisitor visitor(*start->options);
    if (FAILED(WalkSelectionUnderWaitCursor(callback, *start, visitor))) {
        return S_OK;
    }
    ShowLinkSummary(start->owner, *start->options, resource_ids::kReattachSummary, visitor.total);
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
    const std::optional<CommandStart> start = StartCommand(extension, callback, true);
    if (!start) {
        return S_OK;
    }
    if (dialog.Show(start->owner) != IDOK) {
        return S_OK;
    }
    UpdateLinksVisitor visitor(*start->options, dialog.oldPath, dialog.newPath);
    if (FAILED(WalkSelectionUnderWaitCursor(callback, *start, visitor))) {
        return S_OK;
    }
    ShowLinkSummary(start->owner, *start->options, resource_ids::kRenameSummary, visitor.total);
    return S_OK;
}

HRESULT DisplayLinkInfoCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    const std::optional<CommandStart> start = StartCommand(extension, callback, false);
    if (!start) {
        return S_OK;
    }
    DisplayLinksVisitor visitor(*start->options);
    ForEachSelectedMessage(callback, start->session.Get(), start->owner, visitor);
    return S_OK;
}
