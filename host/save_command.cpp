#include "host/save_command.h"

#include "module/folder_creation.h"
#include "engine/save_message.h"
#include "host/command_handlers.h"
#include "host/command_start.h"
#include "host/selection_walk.h"
#include "module/user_messages.h"
#include "options/command_options.h"
#include "options/save_dialog.h"
#include "platform/com_ptr.h"
#include "platform/cursors.h"
#include "platform/keyboard.h"
#include "platform/shell_execute.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

namespace {

bool IsHeld(int key) {
    return GetKeyState(key) < 0;
}

} // namespace

HRESULT SaveVisitor::Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) {
    return SaveMessage(&total, session, message, ownerWindow, options);
}

HRESULT SaveAttachmentsCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback) {
    // Every run starts from the stored options and keeps this one record to its end.
    const std::optional<CommandStart> start = StartCommand(extension, callback, true);
    if (!start) {
        return S_OK;
    }
    const HWND owner = start->owner;
    SaveOptions* options = start->options.get();
    const bool noDialog = IsHeld(VK_CONTROL);
    const bool openFolder = IsHeld(VK_SHIFT);
    if (openFolder && options->targetFolder[0] != '\0' &&
        EnsureFolder(options->targetFolder, nullptr)) {
        ShellExecuteA(owner, "open", options->targetFolder, nullptr, nullptr, SW_SHOWNORMAL);
    }
    if (!ShowSaveDialog(*options, owner, !noDialog, start->session.Get())) {
        return S_OK;
    }
    if (options->promptForNames != 0) {
        options->specifyNames =
            ShowResourceMessage(owner, resource_ids::kAskForFileNames, MB_YESNO) == IDYES ? 1 : 0;
    }
    SaveVisitor visitor(options);
    WalkSelectionUnderWaitCursor(callback, *start, visitor);
    return S_OK;
}
