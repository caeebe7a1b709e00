#include "host/rule_action.h"

#include "base/bounded_text.h"
#include "engine/save_message.h"
#include "host/mail_extension.h"
#include "options/action_option_string.h"
#include "options/save_attachments_dialog.h"
#include "options/save_options.h"
#include "platform/com_ptr.h"
#include "platform/exchange_extension.h"
#include "platform/interlocked.h"
#include "platform/win32_text.h"
#include "platform/win32_ui.h"

#include <cstring>
#include <memory>

namespace {

// The client's text is read no further than its buffer, nor than the parser reads.
constexpr std::size_t kGivenTextCapacity = 4096;

// A fresh record on the user's own key, as each call of the action takes one.
void FreshOptions(SaveOptions& options) {
    InitOptions(options, std::make_unique<PerUserRoot>());
}

} // namespace

HWND FindOwnerWindow(LPCUSTOMACTIONCALLBACK callback) {
    HWND owner = nullptr;
    if (callback != nullptr && SUCCEEDED(callback->QueryOwnerWindow(&owner)) && owner != nullptr) {
        return owner;
    }
    if (HWND editor = FindWindowA(nullptr, kSelectCustomActionTitle); editor != nullptr) {
        return editor;
    }
    // A viewer closed since it was recorded owns nothing any more.
    if (HWND viewer = LastViewerWindow(); viewer != nullptr && IsWindow(viewer)) {
        return viewer;
    }
    return FindWindowA(kClientMainWindowClass, nullptr);
}

HRESULT STDMETHODCALLTYPE RuleAction::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    *ppvObject = nullptr;
    const IID* const answered[] = {&IID_IUnknown, &IID_ICustomAction};
    for (const IID* id : answered) {
        if (IsEqualIID(riid, *id)) {
            AddRef();
            *ppvObject = static_cast<ICustomAction*>(this);
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE RuleAction::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG STDMETHODCALLTYPE RuleAction::Release() {
    LONG count = InterlockedDecrement(&refCount);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE RuleAction::Reserved1(ULONG, ULONG) {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RuleAction::Reserved2() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RuleAction::Configure(LPCUSTOMACTIONCALLBACK lpcb, LPSTR optionText,
                                                ULONG optionCapacity, LPSTR displayName,
                                                ULONG nameCapacity) {
    if (lpcb == nullptr || optionText == nullptr) {
        return E_INVALIDARG;
    }
    SaveOptions options;
    FreshOptions(options);
    SaveAttachmentsDialog dialog(options, "OK");
    dialog.SetRuleForm();
    const HWND owner = FindOwnerWindow(lpcb);

    ComPtr<IMAPISession> session;
    HRESULT hr = lpcb->QuerySession(session.Out());
    if (FAILED(hr)) {
        return hr;
    }
    // The client's buffer need not hold a terminator within its capacity.
    char given[kGivenTextCapacity];
    BoundedCopyN(given, sizeof given, optionText, optionCapacity);
    if (given[0] != '\0') {
        ParseActionOptions(options, given);
    } else {
        LoadOptions(options);
    }
    dialog.SetSession(session.Get());
    options.optionsExpanded = 1;

    const INT_PTR result = dialog.Show(owner);
    if (result == IDCANCEL) {
        return S_FALSE;
    }
    // A dialog that could not be shown confirmed nothing: the rule keeps its text.
    if (result != IDOK) {
        return E_FAIL;
    }
    char text[kActionOptionsCapacity];
    FormatActionOptions(options, kSaveCommandName, text);
    if (std::strlen(text) + 1 > optionCapacity) {
        return TYPE_E_BUFFERTOOSMALL;
    }
    BoundedCopy(optionText, optionCapacity, text);
    if (displayName != nullptr && nameCapacity > 0) {
        lstrcpynA(displayName, kRuleActionDisplayName, static_cast<int>(nameCapacity));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RuleAction::GetDisplayName(ULONG, ULONG, LPSTR displayName,
                                                     ULONG nameCapacity) {
    if (displayName != nullptr && nameCapacity > 0) {
        lstrcpynA(displayName, kRuleActionDisplayName, static_cast<int>(nameCapacity));
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE RuleAction::Execute(LPCUSTOMACTIONCALLBACK lpcb, LPSTR optionText,
                                              ULONG cbEntryID, LPENTRYID lpEntryID) {
    if (lpcb == nullptr) {
        return E_INVALIDARG;
    }
    SaveOptions options;
    FreshOptions(options);
    if (optionText != nullptr && optionText[0] != '\0') {
        ParseActionOptions(options, optionText);
    } else {
        LoadOptions(options);
    }
    ComPtr<IMAPISession> session;
    HRESULT hr = lpcb->QuerySession(session.Out());
    if (FAILED(hr)) {
        return hr;
    }
    if (!session) {
        return MAPI_E_CALL_FAILED;
    }
    ComPtr<IMessage> message;
    ULONG objectType = 0;
    hr = session->OpenEntry(cbEntryID, lpEntryID, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS,
                            &objectType, message.OutUnknown());
    if (FAILED(hr)) {
        return hr;
    }
    if (objectType != MAPI_MESSAGE) {
        return S_OK;
    }
    std::uint32_t savedCount = 0;
    return SaveMessage(&savedCount, session.Get(), message.Get(), nullptr, &options);
}
