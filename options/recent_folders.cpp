#include "options/recent_folders.h"

#include "base/trailing_backslash.h"
#include "base/bounded_text.h"
#include "platform/win32_text.h"

void AddRecentFolder(SaveOptions& options, LPCSTR folder) {
    // Through a copy of its own: the folder may be one of the record's own texts.
    char chosen[kFolderCapacity - 1];
    BoundedCopy(chosen, sizeof chosen, folder);
    BoundedCopy(options.targetFolder, kFolderCapacity, chosen);
    AddTrailingBackslash(options.targetFolder, kFolderCapacity);

    auto& recent = options.recentFolders;
    if (lstrcmpiA(options.targetFolder, recent[0]) == 0) {
        return;
    }
    std::size_t found = kRecentFolderCount - 1;
    for (std::size_t i = 0; i < kRecentFolderCount; ++i) {
        if (lstrcmpiA(options.targetFolder, recent[i]) == 0) {
            found = i;
            break;
        }
    }
    // The duplicate, or the oldest entry of a full list, is overwritten; nothing else is lost.
    for (std::size_t j = found; j-- > 0;) {
        if (recent[j][0] != '\0') {
            BoundedCopy(recent[j + 1], kFolderCapacity, recent[j]);
        }
    }
    BoundedCopy(recent[0], kFolderCapacity, options.targetFolder);
}
