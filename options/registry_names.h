// Where the options live in the registry and the names of their values, for everything that
// reads or writes them: the options' persistence, the command-line host and the tests.
#pragma once

// Under HKEY_CURRENT_USER, or under HKEY_LOCAL_MACHINE where an administrator created it.
inline constexpr char kOptionsKeyPath[] = "SOFTWARE\\Morvane\\Filvex\\Options";

namespace registry_names {

inline constexpr char kAdvancedEnabled[] = "EA";
inline constexpr char kAppendSenderName[] = "AN";
inline constexpr char kAppendSenderEmail[] = "AE";
inline constexpr char kAppendReceivedDate[] = "AD";
inline constexpr char kAppendReceivedTime[] = "AT";
inline constexpr char kAppendSubject[] = "AS";
inline constexpr char kOverwriteExisting[] = "O";
inline constexpr char kRemoveAttachments[] = "RA";
inline constexpr char kLeaveLinks[] = "AL";
inline constexpr char kZipSaved[] = "ZI";
inline constexpr char kUnzipSaved[] = "UZ";
inline constexpr char kOptionsExpanded[] = "SO";
inline constexpr char kSaveEmbeddedMessages[] = "SE";
inline constexpr char kPromptForNames[] = "SP";
inline constexpr char kShowReattachSummary[] = "SRR";
inline constexpr char kSetSummaryProperties[] = "SSP";
inline constexpr char kSubfolderMode[] = "SFN";
inline constexpr char kNameFilter[] = "FI";
inline constexpr char kCommandLine[] = "EX";
inline constexpr char kFieldSeparator[] = "SEPF";
inline constexpr char kDateSeparator[] = "SEPD";
inline constexpr char kTimeSeparator[] = "SEPT";
inline constexpr char kDateTimeSeparator[] = "SEPDT";
// The target folder; the recent folders are "SD1", "SD2", ... in the order of the list.
inline constexpr char kTargetFolder[] = "SD";
inline constexpr char kRecentFolderFormat[] = "SD%d";

} // namespace registry_names
