#include "options/save_dialog.h"

#include "module/folder_creation.h"
#include "options/options_persistence.h"
#include "options/save_attachments_dialog.h"
#include "platform/win32_ui.h"

bool ShowSaveDialog(SaveOptions& options, HWND ownerWindow, bool showDialog,
                    IMAPISession* session) {
    SaveAttachmentsDialog dialog(options);
    if (showDialog) {
        dialog.SetSession(session);
        // A dialog that could not be shown counts as confirmed: the run goes on with the
        // options as they were loaded.
        if (dialog.Show(ownerWindow) == IDCANCEL) {
            return false;
        }
        SaveToRegistry(options);
    }
    return EnsureFolder(options.targetFolder, ownerWindow);
}
