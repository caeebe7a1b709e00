#include "options/save_options.h"

#include "base/trailing_backslash.h"
#include "base/bounded_text.h"
#include "options/options_persistence.h"
#include "platform/shell_folders.h"

#include <utility>

void InitOptions(SaveOptions& options, std::unique_ptr<RegistryRootProvider> provider) {
    ResetSeparators(options);
    options.registryRoot = provider ? std::move(provider) : std::make_unique<PerUserRoot>();
    options.loaded = false;
    options.writtenFiles = std::make_shared<FilesOfRun>();
    options.optionsKeyFound = false;
    options.advancedEnabled = 1;
    options.appendSenderName = 0;
    options.appendSenderEmail = 0;
    options.appendReceivedDate = 0;
    options.appendReceivedTime = 0;
    options.appendSubject = 0;
    options.overwriteExisting = 0;
    options.removeAttachments = 0;
    options.leaveLinks = 0;
    options.zipSaved = 0;
    options.unzipSaved = 0;
    options.optionsExpanded = 0;
    options.saveEmbeddedMessages = 1;
    options.specifyNames = 0;
    options.promptForNames = 0;
    options.showReattachSummary = 1;
    options.deleteReattachedFiles = 1;
    options.setSummaryProperties = 1;
    options.subfolderMode = kNoSubfolder;
    options.targetFolder[0] = '\0';
    options.nameFilter[0] = '\0';
    options.commandLine[0] = '\0';
    for (auto& folder : options.recentFolders) {
        folder[0] = '\0';
    }
}

void ResetSeparators(SaveOptions& options) {
    BoundedCopy(options.fieldSeparator, kSeparatorCapacity, " - ");
    BoundedCopy(options.dateSeparator, kSeparatorCapacity, "-");
    BoundedCopy(options.timeSeparator, kSeparatorCapacity, ".");
    BoundedCopy(options.dateTimeSeparator, kSeparatorCapacity, " ");
}

HRESULT LoadOptions(SaveOptions& options) {
    if (options.loaded) {
        return S_OK;
    }
    options.targetFolder[0] = '\0';
    LoadFromRegistry(options);
    if (options.targetFolder[0] == '\0') {
        DefaultTargetFolder(options.targetFolder);
    }
    AddTrailingBackslash(options.targetFolder, kFolderCapacity);
    BoundedCopy(options.recentFolders[0], kFolderCapacity, options.targetFolder);
    options.loaded = true;
    return S_OK;
}

bool DefaultTargetFolder(LPSTR folder) {
    folder[0] = '\0';
    LPITEMIDLIST documents = nullptr;
    const bool found = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &documents));
    if (found) {
        if (!SHGetPathFromIDListA(documents, folder)) {
            BoundedCopy(folder, kFolderCapacity, "c:\\");
        }
        CoTaskMemFree(documents);
    }
    AddTrailingBackslash(folder, kFolderCapacity);
    BoundedAppend(folder, kFolderCapacity, "MailAttachments");
    return found;
}
