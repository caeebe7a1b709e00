#include "links/link_attachment.h"

#include "base/bounded_text.h"
#include "platform/com_ptr.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/row_set.h"

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

bool IsLinkMethod(LONG method) {
    return method == ATTACH_BY_REFERENCE || method == ATTACH_BY_REF_RESOLVE;
}

HRESULT CountLinkAttachments(IMessage* message, ULONG* count) {
    if (message == nullptr || count == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    ComPtr<IMAPITable> table;
    HRESULT hr = message->GetAttachmentTable(MAPI_DEFERRED_ERRORS, table.Out());
    if (FAILED(hr)) {
        return hr;
    }
    SizedSPropTagArray(2, columns) = {2, {PR_ATTACH_NUM, PR_ATTACH_METHOD}};
    RowSet rows;
    hr = HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr,
                        0, rows.Out());
    if (FAILED(hr)) {
        return hr;
    }
    ULONG links = 0;
    for (ULONG i = 0; i < rows.Count(); ++i) {
        const SRow& row = rows[i];
        if (row.cValues >= 2 && row.lpProps[1].ulPropTag == PR_ATTACH_METHOD &&
            IsLinkMethod(row.lpProps[1].Value.l)) {
            ++links;
        }
    }
    *count = links;
    return S_OK;
}

HRESULT OpenLink(IMessage* message, ULONG number, bool withDisplayName, OpenedLink& link) {
    link = OpenedLink();
    if (message == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    HRESULT hr = message->OpenAttach(number, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS,
                                     link.attachment.Out());
    if (FAILED(hr)) {
        return hr;
    }
    SizedSPropTagArray(2, tags) = {withDisplayName ? 2u : 1u,
                                   {PR_ATTACH_LONG_PATHNAME, PR_DISPLAY_NAME}};
    ULONG count = 0;
    hr = link.attachment->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count,
                                   link.values.Out());
    if (FAILED(hr)) {
        return hr;
    }
    if (!link.values || count < 1 || link.values[0].ulPropTag != PR_ATTACH_LONG_PATHNAME) {
        return S_FALSE;
    }
    link.path = link.values[0].Value.lpszA;
    if (withDisplayName && count >= 2 && link.values[1].ulPropTag == PR_DISPLAY_NAME) {
        link.displayName = link.values[1].Value.lpszA;
    }
    return S_OK;
}

HRESULT UpdateLinkPath(IAttach* attachment, LPCSTR newPath) {
    if (attachment == nullptr || newPath == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    SPropValue value{};
    value.ulPropTag = PR_ATTACH_LONG_PATHNAME;
    value.Value.lpszA = const_cast<LPSTR>(newPath);
    HRESULT hr = attachment->SetProps(1, &value, nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    return attachment->SaveChanges(0);
}
