#include "host/selection_walk.h"

#include "platform/com_ptr.h"
#include "platform/mapi_buffer.h"

namespace {

// The message open in a window that was never saved has no entry identifier: the client
// hands it out as its current object.
HRESULT OpenCurrentObject(LPEXCHEXTCALLBACK callback, ComPtr<IMessage>& message) {
    ComPtr<IMsgStore> store;
    ComPtr<IMAPIProp> object;
    HRESULT hr = callback->GetObject(store.Out(), object.Out());
    store.Reset();
    if (FAILED(hr)) {
        return hr;
    }
    if (!object) {
        return MAPI_E_NOT_FOUND;
    }
    return object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(message.Out()));
}

} // namespace

HRESULT ForEachSelectedMessage(LPEXCHEXTCALLBACK callback, IMAPISession* session, HWND ownerWindow,
                               MessageVisitor& visitor) {
    ULONG count = 0;
    HRESULT hr = callback->GetSelectionCount(&count);
    if (FAILED(hr)) {
        return hr;
    }
    for (ULONG i = 0; i < count; ++i) {
        ULONG idSize = 0;
        MapiBuffer<ENTRYID> entryId;
        ULONG objectType = 0;
        ULONG messageFlags = 0;
        hr = callback->GetSelectionItem(i, &idSize, entryId.Out(), &objectType, nullptr, 0,
                                        &messageFlags, 0);
        if (FAILED(hr)) {
            return hr;
        }
        if (objectType != MAPI_MESSAGE) {
            return hr;
        }
        ComPtr<IMessage> message;
        if (idSize == 0 && count == 1) {
            hr = OpenCurrentObject(callback, message);
        } else {
            ULONG openedType = 0;
            hr = session->OpenEntry(idSize, entryId.Get(), nullptr,
                                    MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, &openedType,
                                    message.OutUnknown());
        }
        if (FAILED(hr)) {
            return hr;
        }
        hr = visitor.Visit(session, message.Get(), ownerWindow);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return hr;
}
