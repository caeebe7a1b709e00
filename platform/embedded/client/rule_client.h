// The mail client's rules as the module's custom action meets them: the callback handed to
// Configure and Execute (its owner window and session), and the calls the rules editor and the
// rule engine make on the action that entry point 1 created. Tests and the command-line host
// drive the action through it exactly as the client does.
#pragma once

#include "platform/com_ptr.h"
#include "platform/embedded/store/message_store.h"
#include "platform/rule_action.h"

#include <string>
#include <vector>

namespace embedded {

// The sizes of the buffers the client hands to Configure: the rule's option text and the
// action's name in the rule's description.
constexpr ULONG kRuleOptionCapacity = 1024;
constexpr ULONG kRuleNameCapacity = 256;

class ActionCallback final : public ICustomActionCallback {
  public:
    // `session` is referenced for the callback's life; `owner` may be none.
    ActionCallback(IMAPISession* session, HWND owner);

    void SetOwner(HWND window) { owner = window; }
    // Operations that fail from now on, as a client may answer: "QueryOwnerWindow",
    // "QuerySession".
    void Refuse(const std::string& operation) { refused.push_back(operation); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    // The client owns the callback for the length of its call.
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE QueryOwnerWindow(HWND* lphwnd) override;
    HRESULT STDMETHODCALLTYPE QuerySession(LPMAPISESSION* lppses) override;

  private:
    bool Refuses(const char* operation) const;

    ComPtr<IMAPISession> session;
    HWND owner;
    std::vector<std::string> refused;
};

class RuleClient {
  public:
    RuleClient(IMAPISession* session, HWND owner) : callback(session, owner) {}
    RuleClient(const RuleClient&) = delete;
    RuleClient& operator=(const RuleClient&) = delete;

    // Creates the module's action through `entry`; false when none came.
    bool Load(LPFNCUSTOMACTIONENTRY entry);
    void Unload() { action.Reset(); }
    ICustomAction* Action() const { return action.Get(); }
    ActionCallback& Callback() { return callback; }

    // The rules editor's Configure: the rule's text and the action's name in buffers of the
    // given sizes, read back when the action changed them.
    HRESULT Configure(std::string& optionText, std::string& displayName,
                      ULONG optionCapacity = kRuleOptionCapacity,
                      ULONG nameCapacity = kRuleNameCapacity);
    // The rule engine's Execute for one arriving message with the rule's text.
    HRESULT Execute(const std::string& optionText, const EntryId& message);

  private:
    ActionCallback callback;
    ComPtr<ICustomAction> action;
};

} // namespace embedded
