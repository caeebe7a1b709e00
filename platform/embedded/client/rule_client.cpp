// Implements the client's side of platform/rule_action.h: the action callback and the calls on
// the custom action.
#include "platform/embedded/client/rule_client.h"

#include "platform/mapi_functions.h"

#include <algorithm>
#include <cstring>

namespace embedded {
namespace {

// `text` into a buffer of `capacity` bytes, cut and terminated as a client's stored text is.
std::vector<char> Buffer(const std::string& text, ULONG capacity) {
    std::vector<char> buffer(std::max<ULONG>(capacity, 1), '\0');
    if (capacity > 0) {
        std::memcpy(buffer.data(), text.data(), std::min<std::size_t>(text.size(), capacity - 1));
    }
    return buffer;
}

std::string TextOf(const std::vector<char>& buffer) {
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

} // namespace

ActionCallback::ActionCallback(IMAPISession* session, HWND owner) : owner(owner) {
    if (session != nullptr) {
        session->AddRef();
        this->session.Reset(session);
    }
}

bool ActionCallback::Refuses(const char* operation) const {
    return std::find(refused.begin(), refused.end(), operation) != refused.end();
}

HRESULT STDMETHODCALLTYPE ActionCallback::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppvObject = static_cast<ICustomActionCallback*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ActionCallback::QueryOwnerWindow(HWND* lphwnd) {
    if (lphwnd == nullptr) {
        return E_INVALIDARG;
    }
    *lphwnd = nullptr;
    if (Refuses("QueryOwnerWindow")) {
        return E_FAIL;
    }
    *lphwnd = owner;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ActionCallback::QuerySession(LPMAPISESSION* lppses) {
    if (lppses == nullptr) {
        return E_INVALIDARG;
    }
    *lppses = nullptr;
    if (Refuses("QuerySession") || !session) {
        return MAPI_E_CALL_FAILED;
    }
    session->AddRef();
    *lppses = session.Get();
    return S_OK;
}

bool RuleClient::Load(LPFNCUSTOMACTIONENTRY entry) {
    action.Reset(entry());
    return static_cast<bool>(action);
}

HRESULT RuleClient::Configure(std::string& optionText, std::string& displayName,
                              ULONG optionCapacity, ULONG nameCapacity) {
    if (!action) {
        return E_UNEXPECTED;
    }
    std::vector<char> options = Buffer(optionText, optionCapacity);
    std::vector<char> name = Buffer(displayName, nameCapacity);
    HRESULT hr =
        action->Configure(&callback, options.data(), optionCapacity, name.data(), nameCapacity);
    if (hr == S_OK) {
        optionText = TextOf(options);
        displayName = TextOf(name);
    }
    return hr;
}

HRESULT RuleClient::Execute(const std::string& optionText, const EntryId& message) {
    if (!action) {
        return E_UNEXPECTED;
    }
    std::vector<char> options(optionText.begin(), optionText.end());
    options.push_back('\0');
    return action->Execute(&callback, options.data(), message.Size(), message.Get());
}

} // namespace embedded
