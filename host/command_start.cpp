#include "host/command_start.h"

#include "host/command_handlers.h"
#include "host/selection_walk.h"
#include "options/command_options.h"
#include "platform/cursors.h"
#include "platform/win32_ui.h"

std::optional<CommandStart> StartCommand(const MailExtension& extension, LPEXCHEXTCALLBACK callback,
                                         bool countSelection) {
    CommandStart start;
    start.owner = CommandOwnerWindow(extension, callback);
    if (FAILED(callback->GetSession(start.session.Out(), nullptr))) {
        return std::nullopt;
    }
    start.options = AcquireCommandOptions();
    ULONG selected = 0;
    if (!start.options || (countSelection && FAILED(callback->GetSelectionCount(&selected)))) {
        return std::nullopt;
    }
    return start;
}

HRESULT WalkSelectionUnderWaitCursor(LPEXCHEXTCALLBACK callback, const CommandStart& start,
                                     MessageVisitor& visitor) {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const HRESULT walked =
        ForEachSelectedMessage(callback, start.session.Get(), start.owner, visitor);
    SetCursor(previous);
    return walked;
}
