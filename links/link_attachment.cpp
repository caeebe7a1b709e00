#include "links/link_attachment.h"

#include "base/bounded_text.h"
#include "platform/com_ptr.h"
#include "platform/mapi_tags.h"

#include <cstddef>

namespace {

constexpr std::size_t kDisplayNameCapacity = 324;

} // namespace

HRESULT CreateLinkAttachment(IMessage* message, LPCSTR name, LPCSTR path) {
    if (message == nullptr || name == nullptr || path == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    ComPtr<IAttach> attachment;
    ULONG number = 0; // the link is found again through the attachment table, not by number
    HRESULT hr =
        message->CreateAttach(&IID_IAttachment, MAPI_DEFERRED_ERRORS, &number, attachment.Out());
    if (FAILED(hr)) {
        return hr;
    }
    // A name too long for the buffer is cut: the display name is only shown, never parsed.
    char displayName[kDisplayNameCapacity];
    BoundedFormat(displayName, kDisplayNameCapacity, "LinkTo_%s", name);

    // The link is these three values and nothing else: what the host shows and opens, and what
    // the link commands read back.
    SPropValue values[3] = {};
    values[0].ulPropTag = PR_ATTACH_METHOD;
    values[0].Value.l = ATTACH_BY_REFERENCE;
    values[1].ulPropTag = PR_DISPLAY_NAME;
    values[1].Value.lpszA = displayName;
    values[2].ulPropTag = PR_ATTACH_LONG_PATHNAME;
    values[2].Value.lpszA = const_cast<LPSTR>(path);
    hr = attachment->SetProps(3, values, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    return attachment->SaveChanges(0);
}
