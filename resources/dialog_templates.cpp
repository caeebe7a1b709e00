#include "resources/dialog_templates.h"

#include "platform/win32_dialogs.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

using namespace resource_ids;

namespace {

namespace sa = control_ids::save_attachments;
namespace sm = control_ids::summary;
namespace ul = control_ids::update_links;
namespace li = control_ids::link_info;

constexpr DWORD kModalDialog = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kField = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kReadOnlyText =
    WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
constexpr int kNone = kUnnamedControlId;
constexpr auto PB = ControlKind::PushButton;
constexpr auto DPB = ControlKind::DefaultPushButton;
constexpr auto CHK = ControlKind::AutoCheckBox;
constexpr auto RAD = ControlKind::AutoRadioButton;
constexpr auto GRP = ControlKind::GroupBox;
constexpr auto TXT = ControlKind::Static;
constexpr auto EDT = ControlKind::Edit;
constexpr auto CMB = ControlKind::ComboBox;

// Save Attachments. The lower part, from the "File Naming" frame down, is the options section
// that the dialog folds away; its controls keep their places when it is folded.
constexpr DialogControl kSaveAttachmentsControls[] = {
    {sa::kSaveNow, DPB, "&Save Now", WS_TABSTOP, 75, 54, 50, 14},
    {sa::kCancel, PB, "Cancel", WS_TABSTOP, 139, 54, 50, 14},
    {sa::kToggleOptions, PB, "Options &<<", WS_TABSTOP, 203, 54, 50, 14},
    {sa::kAbout, PB, "&About", WS_TABSTOP, 12, 54, 50, 14},
    {kNone, TXT, "Save To &Folder:", SS_LEFT, 20, 16, 52, 8},
    {sa::kTargetFolder, CMB, "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 18, 30,
     229, 173},
    {sa::kBrowse, PB, "&Browse...", WS_TABSTOP, 75, 12, 50, 14},
    {sa::kOpenFolder, PB, "&Open Folder", WS_TABSTOP, 139, 12, 50, 14},
    {kNone, GRP, "Target Folder", 0, 11, 3, 243, 46},
    {sa::kOptionsLabel, TXT, "Options", SS_LEFT, 11, 73, 25, 8},
    {sa::kOptionsRule, TXT, "", SS_ETCHEDHORZ, 47, 77, 207, 1},
    {sa::kOptionsStatus, TXT, "Some options selected. Click \"Options >>\" to see them.", SS_CENTER,
     20, 73, 234, 8},
    {sa::kFileNamingFrame, GRP, "File Naming", 0, 11, 86, 114, 80},
    {sa::kAppendSenderName, CHK, "Append \"From\" &Name", WS_TABSTOP, 18, 95, 85, 10},
    {sa::kAppendSenderEmail, CHK, "Append \"From\" &Email", WS_TABSTOP, 18, 106, 83, 10},
    {sa::kAppendReceivedDate, CHK, "Append \"Received\" &Date", WS_TABSTOP, 18, 117, 97, 10},
    {sa::kAppendReceivedTime, CHK, "Append \"Received\" &Time", WS_TABSTOP, 18, 128, 97, 10},
    {sa::kAppendSubject, CHK, "Append Message Sub&ject", WS_TABSTOP, 18, 139, 97, 10},
    {sa::kOverwriteExisting, CHK, "O&verwirte Existing Files", WS_TABSTOP, 18, 150, 88, 10},
    {kNone, GRP, "Subfolder Naming", 0, 142, 86, 112, 80},
    // The six radio buttons form one group: a click on one clears the others.
    {sa::kSenderNameButton, RAD, "Use \"From\" Na&me", WS_GROUP | WS_TABSTOP, 149, 95, 73, 10},
    {sa::kSenderDomainButton, RAD, "Use Sender Domain", 0, 149, 106, 79, 10},
    {sa::kReceivedDateButton, RAD, "Use \"Re&ceived\" Date", 0, 149, 117, 85, 10},
    {sa::kMailFolderButton, RAD, "Use Out&look Folder Name", 0, 149, 128, 97, 10},
    {sa::kSubjectButton, RAD, "Use Messa&ge Subject", 0, 149, 139, 85, 10},
    {sa::kNoSubfolderButton, RAD, "Do Not Create S&ubfolder", 0, 149, 150, 93, 10},
    {kNone, GRP, "Filter", WS_GROUP, 12, 168, 242, 26},
    {sa::kFilterOn, CHK, "Detach onl&y if attachment name contains:", WS_TABSTOP, 18, 178, 144, 10},
    {sa::kNameFilter, EDT, "", kField, 166, 176, 82, 14},
    {kNone, GRP, "After Saving Attachment", 0, 11, 198, 242, 70},
    {sa::kRemoveAttachments, CHK, "&Remove attachment(s) from the message(s)  (For advanced users)",
     WS_TABSTOP, 18, 207, 223, 10},
    {sa::kLeaveLinks, CHK, "Leave a lin&k to the detached files in the message", WS_TABSTOP, 30,
     218, 170, 10},
    {sa::kExecute, CHK, "E&xecute", WS_TABSTOP, 18, 235, 41, 10},
    {sa::kCommandLine, EDT, "", kField, 59, 233, 168, 14},
    {sa::kPickCommand, PB, "...", WS_TABSTOP, 232, 233, 17, 14},
    {sa::kZipSaved, CHK, "&Zip File", WS_TABSTOP, 18, 254, 39, 10},
    {sa::kUnzipSaved, CHK, "Unzi&p File", WS_TABSTOP, 59, 254, 47, 10},
};

constexpr DialogControl kSummaryControls[] = {
    {sm::kText, EDT, "", kReadOnlyText, 7, 7, 216, 70},
    {sm::kDoNotShowAgain, CHK, "Do not &show this message again", WS_TABSTOP, 7, 85, 130, 10},
    {sm::kOk, DPB, "OK", WS_TABSTOP, 173, 83, 50, 14},
};

constexpr DialogControl kUpdateLinksControls[] = {
    {kNone, TXT,
     "If you have moved the folder with detached files, you can use this dialog to update "
     "links in email messages. \"Old Path\" is the old folder localtion, \"New Path\" is the new "
     "folder location. For example, replace c:\\oldfolder\\ with c:\\newfolder\\",
     SS_LEFT, 7, 7, 266, 40},
    {kNone, TXT, "Old Path:", SS_LEFT, 7, 55, 40, 8},
    {ul::kOldPath, EDT, "", kField, 50, 53, 223, 14},
    {kNone, TXT, "New Path:", SS_LEFT, 7, 75, 40, 8},
    {ul::kNewPath, EDT, "", kField, 50, 73, 223, 14},
    // Stays disabled until both paths hold text.
    {ul::kOk, DPB, "OK", WS_TABSTOP | WS_DISABLED, 167, 99, 50, 14},
    {ul::kCancel, PB, "Cancel", WS_TABSTOP, 223, 99, 50, 14},
};

constexpr DialogControl kLinkInfoControls[] = {
    {kNone, TXT, "Message:", SS_LEFT, 7, 9, 40, 8},
    {li::kMessage, EDT, "", kField | ES_READONLY, 50, 7, 243, 14},
    {kNone, TXT, "Filvexed Links:", SS_LEFT, 7, 28, 60, 8},
    {li::kLinks, EDT, "", kReadOnlyText, 7, 40, 286, 100},
    {li::kNextMessage, DPB, "&Next Message", WS_TABSTOP, 187, 149, 50, 14},
    {li::kStop, PB, "&Stop", WS_TABSTOP, 243, 149, 50, 14},
};

constexpr DialogTemplate kDialogs[] = {
    {kSaveAttachmentsDialog, "Filvex - Save Attachments", kModalDialog, WS_EX_CONTEXTHELP, 150, 100,
     265, 277, "MS Sans Serif", 8, kSaveAttachmentsControls},
    {kSummaryDialog, "Filvex by Morvane", kModalDialog, 0, 0, 0, 230, 104, "MS Sans Serif", 8,
     kSummaryControls},
    {kUpdateLinksDialog, "Filvex: Attachment Update Links", kModalDialog, 0, 0, 0, 280, 120,
     "MS Sans Serif", 8, kUpdateLinksControls},
    {kLinkInfoDialog, "Filvex: Link Info", kModalDialog, WS_EX_CONTEXTHELP, 0, 0, 300, 170,
     "MS Sans Serif", 8, kLinkInfoControls},
};

} // namespace

std::span<const DialogTemplate> FilvexDialogs() {
    return kDialogs;
}
