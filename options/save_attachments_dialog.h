// The Save Attachments dialog: one showing of it, editing a SaveOptions record in place. Its
// lower part, the options section, folds away so that only the target folder and the buttons
// show; an administrator can keep it folded.
#pragma once

#include "module/dialog_binding.h"
#include "options/save_options.h"
#include "platform/com_ptr.h"
#include "platform/mapi_interfaces.h"

#include <optional>
#include <string>

// The online documentation that F1 and the caption's help button open.
inline constexpr char kHelpPageAddress[] = "https://www.morvane.com/filvex/help/";

class SaveAttachmentsDialog : public ModalDialog {
  public:
    // `okCaption` replaces "&Save Now" on button 1 when given (the rule action shows "OK").
    explicit SaveAttachmentsDialog(SaveOptions& options,
                                   std::optional<std::string> okCaption = std::nullopt);

    // The rule form: Save Now also refuses a folder or command that the rule's option string
    // could not carry back unchanged.
    void SetRuleForm() { ruleForm = true; }

    // Keeps a counted reference to the session until the object goes.
    void SetSession(IMAPISession* session);

    // Runs dialog 208 owned by `ownerWindow`: IDOK after Save Now stored the options, IDCANCEL
    // when the user cancelled, 0 or -1 when the dialog could not be shown.
    INT_PTR Show(HWND ownerWindow);

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    void OnOpening();
    void OnCommand(int control, WORD notification);
    void OnSaveNow();
    // Tells why a value cannot go into a rule and puts the focus on its control.
    void RefuseForRule(int control);
    void OnBrowse();
    void OnOpenFolder();
    void OnPickCommand();
    void OnHelp();
    void OnToggleOptions();

    bool Collapse();
    bool Expand();
    void UpdateOptionsSection();
    bool AnyOptionSelected() const;
    void UpdateEnabling();

    bool IsChecked(int control) const;
    void Enable(int control, bool enable);
    void ShowControl(int control, bool show);

    std::optional<std::string> okCaption;
    bool ruleForm = false;
    ComPtr<IMAPISession> session;
    SaveOptions& options;
    bool expanded = true;
    std::int32_t fullWidth = 0;
    std::int32_t fullHeight = 0;
};
