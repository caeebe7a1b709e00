#include "options/save_attachments_dialog.h"

#include "module/folder_creation.h"
#include "base/name_characters.h"
#include "base/trailing_backslash.h"
#include "module/about_box.h"
#include "module/module_instance.h"
#include "module/user_messages.h"
#include "base/bounded_text.h"
#include "options/action_option_string.h"
#include "options/recent_folders.h"
#include "platform/folder_browser.h"
#include "platform/shell_execute.h"
#include "platform/shell_folders.h"
#include "platform/win32_dialogs.h"
#include "platform/win32_ui.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

#include <array>
#include <utility>

namespace {

using namespace control_ids::save_attachments;

struct FlagBox {
    int control;
    std::int32_t SaveOptions::*flag;
};
constexpr std::array<FlagBox, 10> kFlagBoxes{{
    {kAppendSenderName, &SaveOptions::appendSenderName},
    {kAppendSenderEmail, &SaveOptions::appendSenderEmail},
    {kAppendReceivedDate, &SaveOptions::appendReceivedDate},
    {kAppendReceivedTime, &SaveOptions::appendReceivedTime},
    {kAppendSubject, &SaveOptions::appendSubject},
    {kOverwriteExisting, &SaveOptions::overwriteExisting},
    {kRemoveAttachments, &SaveOptions::removeAttachments},
    {kLeaveLinks, &SaveOptions::leaveLinks},
    {kZipSaved, &SaveOptions::zipSaved},
    {kUnzipSaved, &SaveOptions::unzipSaved},
}};

// Each subfolder mode and its radio button, in the order Save Now tries them; the button of
// "no subfolder" comes first so that it wins.
struct SubfolderButton {
    int control;
    std::int32_t mode;
};
constexpr std::array<SubfolderButton, 6> kSubfolderButtons{{
    {kNoSubfolderButton, kNoSubfolder},
    {kSenderNameButton, kSenderNameSubfolder},
    {kSenderDomainButton, kSenderDomainSubfolder},
    {kReceivedDateButton, kReceivedDateSubfolder},
    {kMailFolderButton, kMailFolderSubfolder},
    {kSubjectButton, kSubjectSubfolder},
}};

// The boxes whose check counts as an option chosen while the section is folded. Box 230 is
// left out: a link is only made together with box 227.
constexpr std::array<int, 11> kOptionBoxes{
    kAppendSenderName, kAppendSenderEmail,  kAppendReceivedTime,
    kAppendSubject,    kAppendReceivedDate, kOverwriteExisting,
    kFilterOn,         kRemoveAttachments,  kExecute,
    kZipSaved,         kUnzipSaved,
};

constexpr int kStatusCapacity = 256;
constexpr int kTitleCapacity = 256;
constexpr UINT kResizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER;

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM startFolder) {
    if (message == BFFM_INITIALIZED) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, startFolder);
    }
    return 0;
}

} // namespace

SaveAttachmentsDialog::SaveAttachmentsDialog(SaveOptions& options,
                                             std::optional<std::string> okCaption)
    : okCaption(std::move(okCaption)), options(options) {}

void SaveAttachmentsDialog::SetSession(IMAPISession* newSession) {
    if (newSession != nullptr) {
        newSession->AddRef();
    }
    session.Reset(newSession);
}

INT_PTR SaveAttachmentsDialog::Show(HWND ownerWindow) {
    return Run(ModuleInstance(), resource_ids::kSaveAttachmentsDialog, ownerWindow);
}

INT_PTR SaveAttachmentsDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnOpening();
        return TRUE; // the system gives the focus to the first control that takes it
    case WM_HELP:
        OnHelp();
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

bool SaveAttachmentsDialog::IsChecked(int control) const {
    return IsDlgButtonChecked(Window(), control) == BST_CHECKED;
}

void SaveAttachmentsDialog::Enable(int control, bool enable) {
    EnableWindow(GetDlgItem(Window(), control), enable ? TRUE : FALSE);
}

void SaveAttachmentsDialog::ShowControl(int control, bool show) {
    ShowWindow(GetDlgItem(Window(), control), show ? SW_SHOW : SW_HIDE);
}

void SaveAttachmentsDialog::OnOpening() {
    HWND window = Window();
    for (const FlagBox& box : kFlagBoxes) {
        CheckDlgButton(window, box.control, options.*box.flag != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
    Enable(kLeaveLinks, IsChecked(kRemoveAttachments));

    for (const auto& folder : options.recentFolders) {
        if (folder[0] != '\0') {
            SendDlgItemMessageA(window, kTargetFolder, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(folder));
        }
    }
    SetDlgItemTextA(window, kTargetFolder, options.targetFolder);

    int subfolderButton = kNoSubfolderButton;
    for (const SubfolderButton& button : kSubfolderButtons) {
        if (button.mode == options.subfolderMode) {
            subfolderButton = button.control;
        }
    }
    CheckRadioButton(window, kFirstSubfolderButton, kLastSubfolderButton, subfolderButton);

    const bool filterOn = options.nameFilter[0] != '\0';
    CheckDlgButton(window, kFilterOn, filterOn ? BST_CHECKED : BST_UNCHECKED);
    Enable(kNameFilter, filterOn);
    SetDlgItemTextA(window, kNameFilter, options.nameFilter);

    const bool commandOn = options.commandLine[0] != '\0';
    CheckDlgButton(window, kExecute, commandOn ? BST_CHECKED : BST_UNCHECKED);
    Enable(kCommandLine, commandOn);
    SetDlgItemTextA(window, kCommandLine, options.commandLine);
    Enable(kPickCommand, commandOn);

    if (okCaption) {
        SetDlgItemTextA(window, kSaveNow, okCaption->c_str());
    }

    RECT outer{};
    if (GetWindowRect(window, &outer)) {
        fullWidth = outer.right - outer.left;
        fullHeight = outer.bottom - outer.top;
    }
    expanded = true;
    if ((options.advancedEnabled == 0 || options.optionsExpanded == 0) && Collapse()) {
        expanded = false;
    }
    UpdateOptionsSection();
    UpdateEnabling();
}

void SaveAttachmentsDialog::OnCommand(int control, WORD notification) {
    switch (control) {
    case kSaveNow:
        OnSaveNow();
        return;
    case kCancel:
        EndDialog(Window(), IDCANCEL);
        return;
    case kToggleOptions:
        OnToggleOptions();
        return;
    case kAbout:
        ShowAboutBox(Window());
        return;
    case kBrowse:
        OnBrowse();
        return;
    case kOpenFolder:
        OnOpenFolder();
        return;
    case kPickCommand:
        OnPickCommand();
        return;
    default:
        break;
    }
    // Typing and list choices notify too; only clicks change what the rules look at.
    if (notification != BN_CLICKED) {
        return;
    }
    if (control == kFilterOn) {
        Enable(kNameFilter, IsChecked(kFilterOn));
    } else if (control == kExecute) {
        const bool commandOn = IsChecked(kExecute);
        Enable(kCommandLine, commandOn);
        Enable(kPickCommand, commandOn);
    }
    UpdateEnabling();
}

bool SaveAttachmentsDialog::Collapse() {
    RECT frame{};
    RECT outer{};
    if (!GetWindowRect(GetDlgItem(Window(), kFileNamingFrame), &frame) ||
        !GetWindowRect(Window(), &outer) || fullWidth == 0) {
        return false;
    }
    // The folded dialog ends where the "File Naming" frame begins.
    return SetWindowPos(Window(), nullptr, 0, 0, fullWidth, frame.top - outer.top, kResizeOnly) !=
           FALSE;
}

bool SaveAttachmentsDialog::Expand() {
    return SetWindowPos(Window(), nullptr, 0, 0, fullWidth, fullHeight, kResizeOnly) != FALSE;
}

void SaveAttachmentsDialog::UpdateOptionsSection() {
    HWND window = Window();
    HINSTANCE instance = ModuleInstance();
    char text[kStatusCapacity];
    if (expanded) {
        ShowControl(kOptionsLabel, true);
        ShowControl(kOptionsRule, true);
        ShowControl(kOptionsStatus, false);
        if (LoadStringA(instance, resource_ids::kOptionsCollapse, text, kStatusCapacity) > 0) {
            SetDlgItemTextA(window, kToggleOptions, text);
        }
    } else {
        UINT status = options.advancedEnabled == 0 ? resource_ids::kAdvancedOptionsLocked
                      : AnyOptionSelected()        ? resource_ids::kSomeOptionsSelected
                                                   : resource_ids::kMoreOptionsHint;
        if (LoadStringA(instance, status, text, kStatusCapacity) > 0) {
            SetDlgItemTextA(window, kOptionsStatus, text);
        }
        ShowControl(kOptionsLabel, false);
        ShowControl(kOptionsRule, false);
        ShowControl(kOptionsStatus, true);
        if (LoadStringA(instance, resource_ids::kOptionsExpand, text, kStatusCapacity) > 0) {
            SetDlgItemTextA(window, kToggleOptions, text);
        }
    }
    if (options.advancedEnabled == 0) {
        Enable(kToggleOptions, false);
    }
}

bool SaveAttachmentsDialog::AnyOptionSelected() const {
    for (int box : kOptionBoxes) {
        if (IsChecked(box)) {
            return true;
        }
    }
    return !IsChecked(kNoSubfolderButton);
}

void SaveAttachmentsDialog::UpdateEnabling() {
    // A link replaces a removed attachment, and a zipped file cannot be linked to.
    const bool remove = IsChecked(kRemoveAttachments);
    if (IsChecked(kLeaveLinks) && !remove) {
        CheckDlgButton(Window(), kLeaveLinks, BST_UNCHECKED);
    }
    Enable(kLeaveLinks, remove && !IsChecked(kZipSaved));
    Enable(kZipSaved, !(remove && IsChecked(kLeaveLinks)));
}

void SaveAttachmentsDialog::OnToggleOptions() {
    if (expanded) {
        if (Collapse()) {
            expanded = false;
        }
    } else {
        expanded = Expand();
    }
    UpdateOptionsSection();
}

void SaveAttachmentsDialog::OnSaveNow() {
    HWND window = Window();
    char folder[kFolderCapacity];
    GetDlgItemTextA(window, kTargetFolder, folder, kFolderCapacity);
    if (folder[0] == '\0') {
        ShowResourceError(window, resource_ids::kFolderNameEmpty);
        return;
    }
    if (ruleForm && !FitsActionOptions(folder)) {
        RefuseForRule(kTargetFolder);
        return;
    }
    // A folder that fills the field leaves no room for its backslash: saved into, its files
    // would land in a folder of a name cut short. It is refused before anything is created.
    char withSeparator[kFolderCapacity];
    BoundedCopy(withSeparator, kFolderCapacity, folder);
    if (!AddTrailingBackslash(withSeparator, kFolderCapacity)) {
        ShowResourceError(window, resource_ids::kFolderCreateFailed, folder);
        SetFocus(GetDlgItem(window, kTargetFolder));
        return;
    }
    CreateFolderTree(folder);
    if (!EnsureFolder(folder, window)) {
        return;
    }
    BoundedCopy(folder, kFolderCapacity, withSeparator);

    // The filter and the command are checked before anything is stored, so that a refused
    // value followed by Cancel leaves the record as it came.
    char nameFilter[kNameFilterCapacity] = "";
    if (IsChecked(kFilterOn)) {
        GetDlgItemTextA(window, kNameFilter, nameFilter, kNameFilterCapacity);
    }
    if (!IsLegalName(nameFilter)) {
        ShowResourceError(window, resource_ids::kFilterCharactersRefused);
        SetFocus(GetDlgItem(window, kNameFilter));
        return;
    }
    char commandLine[kCommandLineCapacity] = "";
    if (IsChecked(kExecute)) {
        GetDlgItemTextA(window, kCommandLine, commandLine, kCommandLineCapacity);
    }
    if (ruleForm && !FitsActionOptions(commandLine)) {
        RefuseForRule(kCommandLine);
        return;
    }

    for (const FlagBox& box : kFlagBoxes) {
        options.*box.flag = IsChecked(box.control) ? 1 : 0;
    }
    options.optionsExpanded = expanded ? 1 : 0;
    AddRecentFolder(options, folder);
    BoundedCopy(options.nameFilter, kNameFilterCapacity, nameFilter);

    BoundedCopy(options.commandLine, kCommandLineCapacity, commandLine);

    options.subfolderMode = kNoSubfolder;
    for (const SubfolderButton& button : kSubfolderButtons) {
        if (IsChecked(button.control)) {
            options.subfolderMode = button.mode;
            break;
        }
    }
    EndDialog(window, IDOK);
}

void SaveAttachmentsDialog::RefuseForRule(int control) {
    ShowResourceError(Window(), resource_ids::kRuleValueRefused);
    SetFocus(GetDlgItem(Window(), control));
}

void SaveAttachmentsDialog::OnBrowse() {
    HWND window = Window();
    char startFolder[kFolderCapacity];
    GetDlgItemTextA(window, kTargetFolder, startFolder, kFolderCapacity);
    char title[kTitleCapacity] = "";
    LoadStringA(ModuleInstance(), resource_ids::kBrowseFolderTitle, title, kTitleCapacity);
    char displayName[kFolderCapacity] = "";

    BROWSEINFOA browse{};
    browse.hwndOwner = window;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(startFolder);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (chosen == nullptr) {
        return;
    }
    char path[kFolderCapacity];
    if (SHGetPathFromIDListA(chosen, path)) {
        // As the shell gives it: Save Now adds the trailing backslash.
        SetDlgItemTextA(window, kTargetFolder, path);
    }
    ComPtr<IMalloc> allocator;
    if (SUCCEEDED(SHGetMalloc(allocator.Out())) && allocator) {
        allocator->Free(chosen);
    }
}

void SaveAttachmentsDialog::OnOpenFolder() {
    HWND window = Window();
    char folder[kFolderCapacity];
    GetDlgItemTextA(window, kTargetFolder, folder, kFolderCapacity);
    CreateFolderTree(folder);
    if (EnsureFolder(folder, window)) {
        ShellExecuteA(window, "open", folder, nullptr, nullptr, SW_SHOW);
    }
}

void SaveAttachmentsDialog::OnPickCommand() {
    char file[kCommandLineCapacity] = "";
    char title[kTitleCapacity] = "";
    LoadStringA(ModuleInstance(), resource_ids::kPickCommandTitle, title, kTitleCapacity);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = kOpenFileNameSizeNT4;
    dialog.hwndOwner = Window();
    dialog.lpstrFile = file;
    dialog.nMaxFile = kCommandLineCapacity;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (GetOpenFileNameA(&dialog)) {
        SetDlgItemTextA(Window(), kCommandLine, file);
    }
}

void SaveAttachmentsDialog::OnHelp() {
    ShellExecuteA(Window(), "open", kHelpPageAddress, nullptr, nullptr, SW_SHOW);
}
