// The one record that governs a save run: where files go, how they are named, which
// attachments are taken and what happens after each file.
#pragma once

#include "module/files_of_run.h"
#include "options/registry_root.h"
#include "platform/win_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr std::size_t kSeparatorCapacity = 32;
constexpr std::size_t kFolderCapacity = 260;
constexpr std::size_t kNameFilterCapacity = 128;
constexpr std::size_t kCommandLineCapacity = 260;
constexpr std::size_t kRecentFolderCount = 10;

// subfolderMode: the subfolder made under the target folder for each message.
enum SubfolderMode : std::int32_t {
    kNoSubfolder = 0,
    kSenderNameSubfolder = 1,
    kReceivedDateSubfolder = 2,
    kMailFolderSubfolder = 3,
    kSubjectSubfolder = 4,
    kSenderDomainSubfolder = 5,
};
constexpr std::int32_t kLastSubfolderMode = kSenderDomainSubfolder;

// Flags hold exactly 0 or 1; texts are always terminated and cut at their capacity.
struct SaveOptions {
    char fieldSeparator[kSeparatorCapacity];
    char dateSeparator[kSeparatorCapacity];
    char timeSeparator[kSeparatorCapacity];
    char dateTimeSeparator[kSeparatorCapacity];
    std::unique_ptr<RegistryRootProvider> registryRoot;
    bool loaded;
    bool optionsKeyFound;
    std::int32_t advancedEnabled;
    std::int32_t appendSenderName;
    std::int32_t appendSenderEmail;
    std::int32_t appendReceivedDate;
    std::int32_t appendReceivedTime;
    std::int32_t appendSubject;
    std::int32_t overwriteExisting;
    std::int32_t removeAttachments;
    std::int32_t leaveLinks;
    std::int32_t zipSaved;
    std::int32_t unzipSaved;
    std::int32_t optionsExpanded;
    std::int32_t saveEmbeddedMessages;
    // For this run only: the user chose to name each saved file.
    std::int32_t specifyNames;
    std::int32_t promptForNames;
    std::int32_t showReattachSummary;
    // Cleared while the send-time reattach runs, so that the files stay on disk.
    std::int32_t deleteReattachedFiles;
    // For this run only: the files it wrote, which nothing later in the run replaces.
    std::shared_ptr<FilesOfRun> writtenFiles;
    std::int32_t setSummaryProperties;
    std::int32_t subfolderMode;
    // Ends with a backslash once set by AddRecentFolder or LoadOptions.
    char targetFolder[kFolderCapacity];
    char nameFilter[kNameFilterCapacity];
    char commandLine[kCommandLineCapacity];
    // Most recent first, filled entries before empty ones, no two equal ignoring case.
    char recentFolders[kRecentFolderCount][kFolderCapacity];
};

// Every field to its default; without a provider the record reads the user's own options.
void InitOptions(SaveOptions& options, std::unique_ptr<RegistryRootProvider> provider = nullptr);

// The separators back to " - ", "-", "." and " ".
void ResetSeparators(SaveOptions& options);

// Fills the record from the registry once; later calls do nothing. Always S_OK.
HRESULT LoadOptions(SaveOptions& options);

// The documents folder followed by "\MailAttachments", into `folder` (kFolderCapacity bytes);
// false when the shell could not name the documents folder.
bool DefaultTargetFolder(LPSTR folder);
