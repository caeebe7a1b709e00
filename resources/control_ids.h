// The ids of the controls of the module's dialogs, as the templates, the dialogs' handlers, the
// command-line host's answers and the tests all name them.
#pragma once

namespace control_ids {

// Dialog 208, Save Attachments.
namespace save_attachments {
inline constexpr int kSaveNow = 1; // IDOK
inline constexpr int kCancel = 2;  // IDCANCEL
inline constexpr int kTargetFolder = 201;
inline constexpr int kBrowse = 202;
inline constexpr int kAppendSenderName = 203;
inline constexpr int kAppendSenderEmail = 204;
inline constexpr int kOverwriteExisting = 205;
inline constexpr int kAbout = 208;
inline constexpr int kAppendReceivedTime = 215;
inline constexpr int kNoSubfolderButton = 216;
inline constexpr int kReceivedDateButton = 217;
inline constexpr int kSenderNameButton = 218;
inline constexpr int kMailFolderButton = 219;
inline constexpr int kSubjectButton = 220;
inline constexpr int kOpenFolder = 221;
inline constexpr int kSenderDomainButton = 222;
inline constexpr int kRemoveAttachments = 227;
inline constexpr int kAppendSubject = 228;
inline constexpr int kAppendReceivedDate = 229;
inline constexpr int kLeaveLinks = 230;
inline constexpr int kExecute = 231;
inline constexpr int kCommandLine = 232;
inline constexpr int kPickCommand = 233;
inline constexpr int kFilterOn = 234;
inline constexpr int kNameFilter = 236;
inline constexpr int kToggleOptions = 241;
inline constexpr int kZipSaved = 244;
inline constexpr int kUnzipSaved = 245;
inline constexpr int kFileNamingFrame = 246;
inline constexpr int kOptionsStatus = 247;
inline constexpr int kOptionsRule = 249;
inline constexpr int kOptionsLabel = 250;
// The subfolder radio buttons have the ids from the first to the last, in one group.
inline constexpr int kFirstSubfolderButton = kNoSubfolderButton;
inline constexpr int kLastSubfolderButton = kSenderDomainButton;
} // namespace save_attachments

// Dialog 252, the summary after Reattach Links.
namespace summary {
inline constexpr int kOk = 1;
inline constexpr int kText = 253;
inline constexpr int kDoNotShowAgain = 254;
} // namespace summary

// Dialog 255, Batch-Update Links.
namespace update_links {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kOldPath = 255;
inline constexpr int kNewPath = 256;
} // namespace update_links

// Dialog 256, Link Info.
namespace link_info {
inline constexpr int kNextMessage = 1;
inline constexpr int kStop = 2;
inline constexpr int kMessage = 255;
inline constexpr int kLinks = 257;
} // namespace link_info

} // namespace control_ids
