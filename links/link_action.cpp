#include "links/link_action.h"

#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/row_set.h"

namespace {

template <class Interface> ComPtr<Interface> Referenced(Interface* object) {
    if (object != nullptr) {
        object->AddRef();
    }
    return ComPtr<Interface>(object);
}

} // namespace

LinkAction::LinkAction(IMAPISession* session, IMessage* message, HWND ownerWindow,
                       SaveOptions& options)
    : message(Referenced(message)), session(Referenced(session)), ownerWindow(ownerWindow),
      options(options) {}

HRESULT LinkAction::Run() {
    if (!message) {
        return MAPI_E_INVALID_PARAMETER;
    }
    ComPtr<IMAPITable> table;
    HRESULT hr = message->GetAttachmentTable(MAPI_DEFERRED_ERRORS, table.Out());
    if (FAILED(hr)) {
        return hr;
    }
    // One snapshot before any row is touched: attachments a pass adds are not visited, and
    // deleting the current one does not disturb the walk.
    SizedSPropTagArray(2, columns) = {2, {PR_ATTACH_NUM, PR_ATTACH_METHOD}};
    RowSet rows;
    hr = HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr,
                        0, rows.Out());
    if (FAILED(hr)) {
        return hr;
    }
    for (ULONG i = 0; i < rows.Count(); ++i) {
        const SRow& row = rows[i];
        if (row.cValues < 2 || row.lpProps[0].ulPropTag != PR_ATTACH_NUM ||
            row.lpProps[1].ulPropTag != PR_ATTACH_METHOD) {
            continue;
        }
        hr = ProcessAttachment(row.lpProps[1].Value.l, row.lpProps[0].Value.l);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return Finish();
}

HRESULT LinkAction::Finish() {
    if (modified) {
        message->SaveChanges(0);
    }
    return S_OK;
}

void LinkAction::RemoveLinkAttachment(LONG number) {
    message->DeleteAttach(static_cast<ULONG>(number), 0, nullptr, 0);
    modified = true;
}
