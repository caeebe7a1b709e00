// The object the mail client's rules create through entry point 1: the custom action that
// saves the attachments of each message a rule hands over, with the options the rule keeps in
// its option string.
#pragma once

#include "platform/rule_action.h"

// What the rule's description calls the action.
inline constexpr char kRuleActionDisplayName[] = "Filvex: Save Attachment";

class RuleAction final : public ICustomAction {
  public:
    RuleAction() = default;
    RuleAction(const RuleAction&) = delete;
    RuleAction& operator=(const RuleAction&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // The two operations the client never needs anything of: they do nothing.
    HRESULT STDMETHODCALLTYPE Reserved1(ULONG ulUnused1, ULONG ulUnused2) override;
    HRESULT STDMETHODCALLTYPE Reserved2() override;

    // Shows the Save Attachments dialog on the rule's options (the user's stored ones for a
    // new rule) and writes the confirmed options back as the rule's text. S_FALSE when the
    // user cancelled; the registry is never written.
    HRESULT STDMETHODCALLTYPE Configure(LPCUSTOMACTIONCALLBACK lpcb, LPSTR optionText,
                                        ULONG optionCapacity, LPSTR displayName,
                                        ULONG nameCapacity) override;
    HRESULT STDMETHODCALLTYPE GetDisplayName(ULONG ulUnused1, ULONG ulUnused2, LPSTR displayName,
                                             ULONG nameCapacity) override;
    // Saves the message of `lpEntryID` by the rule's options, without a dialog or question.
    HRESULT STDMETHODCALLTYPE Execute(LPCUSTOMACTIONCALLBACK lpcb, LPSTR optionText,
                                      ULONG cbEntryID, LPENTRYID lpEntryID) override;

    LONG volatile refCount = 0;

  private:
    ~RuleAction() = default;
};

// The window that owns the rule's dialog: the callback's, else the rules editor's, else the
// last viewer's, else any main window of the client; possibly none.
HWND FindOwnerWindow(LPCUSTOMACTIONCALLBACK callback);
