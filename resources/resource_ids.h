// The ids of the module's resources, as the code names them.
#pragma once

#include "platform/win_types.h"

namespace resource_ids {

// Strings.
constexpr UINT kProductCaption = 100;
constexpr UINT kFolderCreateFailed = 101;
constexpr UINT kFolderNameEmpty = 102;
constexpr UINT kAboutText = 103;
constexpr UINT kAboutCaption = 104;
constexpr UINT kBrowseFolderTitle = 105;
constexpr UINT kPickCommandTitle = 106;
constexpr UINT kFindDetachedFileTitle = 107;
constexpr UINT kNoSubject = 108;
constexpr UINT kNoName = 109;
constexpr UINT kFilterCharactersRefused = 110;
constexpr UINT kOptionsCollapse = 111;
constexpr UINT kOptionsExpand = 112;
constexpr UINT kSomeOptionsSelected = 113;
constexpr UINT kMoreOptionsHint = 114;
constexpr UINT kFileBlocksFolder = 115;
constexpr UINT kAdvancedOptionsLocked = 118;
constexpr UINT kAskForFileNames = 119;
constexpr UINT kReattachFileMissing = 120;
constexpr UINT kReattachFileUnreadable = 121;
constexpr UINT kSaveMenuItem = 122;
constexpr UINT kReattachMenuItem = 124;
constexpr UINT kSaveButtonTip = 125;
constexpr UINT kSaveStatusText = 126;
constexpr UINT kReattachSummary = 127;
constexpr UINT kBatchUpdateMenuItem = 128;
constexpr UINT kConfirmLinkRename = 129;
constexpr UINT kLinkPathsEmpty = 130;
constexpr UINT kRenameSummary = 131;
constexpr UINT kDisplayLinksMenuItem = 132;
constexpr UINT kNewLinkPathMissing = 135;
constexpr UINT kReattachBeforeSend = 136;
constexpr UINT kNoLinks = 137;
constexpr UINT kAboutMenuItem = 138;
constexpr UINT kRuleValueRefused = 139;

// Dialogs.
constexpr UINT kSaveAttachmentsDialog = 208;
constexpr UINT kSummaryDialog = 252;
constexpr UINT kUpdateLinksDialog = 255;
constexpr UINT kLinkInfoDialog = 256;

// Bitmaps.
constexpr UINT kToolbarBitmap = 102;

} // namespace resource_ids
