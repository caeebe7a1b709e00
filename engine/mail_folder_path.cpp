#include "engine/mail_folder_path.h"

#include "module/folder_creation.h"
#include "base/name_characters.h"
#include "base/name_cut.h"
#include "base/bounded_text.h"
#include "platform/com_ptr.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_tags.h"

#include <cstring>

namespace {

bool SameEntry(const SBinary& a, const SBinary* b) {
    return a.cb == b->cb && (a.cb == 0 || std::memcmp(a.lpb, b->lpb, a.cb) == 0);
}

HRESULT BuildFromLevel(MessageContext& context, const SBinary* entryId, LPSTR out, std::size_t size,
                       int depth) {
    if (entryId == nullptr) {
        return E_INVALIDARG;
    }
    // A store whose parent chain loops never reaches its root; stop long before the stack does.
    if (depth > kMostMailFolderDepth) {
        return MAPI_E_CALL_FAILED;
    }
    ULONG objectType = 0;
    ComPtr<IMAPIFolder> folder;
    HRESULT hr =
        context.session->OpenEntry(entryId->cb, reinterpret_cast<LPENTRYID>(entryId->lpb), nullptr,
                                   MAPI_DEFERRED_ERRORS, &objectType, folder.OutUnknown());
    if (FAILED(hr)) {
        return hr;
    }
    if (objectType != MAPI_FOLDER) {
        return E_INVALIDARG;
    }
    SizedSPropTagArray(2, columns) = {2, {PR_PARENT_ENTRYID, PR_DISPLAY_NAME}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    hr = folder->GetProps(reinterpret_cast<LPSPropTagArray>(&columns), 0, &count, values.Out());
    if (FAILED(hr)) {
        return hr;
    }
    if (!values || count != 2) {
        return MAPI_E_CALL_FAILED;
    }
    LPSTR name = nullptr;
    if (values[1].ulPropTag == PR_DISPLAY_NAME) {
        name = CleanName(values[1].Value.lpszA);
    }
    if (values[0].ulPropTag != PR_PARENT_ENTRYID || SameEntry(values[0].Value.bin, entryId)) {
        return 1; // the root folder
    }
    HRESULT parent = BuildFromLevel(context, &values[0].Value.bin, out, size, depth + 1);
    if (FAILED(parent)) {
        out[0] = '\0';
        return parent;
    }
    // The folder right below the root is the top of the folder tree and names nothing.
    if (parent == 1 || name == nullptr || name[0] == '\0') {
        return S_OK;
    }
    if (out[0] != '\0') {
        AppendNamePart(out, size, "\\");
    }
    AppendNamePart(out, size, name);
    char folderPath[kSavePathCapacity];
    BoundedCopy(folderPath, sizeof(folderPath), context.options->targetFolder);
    AppendNamePart(folderPath, sizeof(folderPath), out);
    if (!EnsureFolder(folderPath, context.ownerWindow)) {
        out[0] = '\0';
        return STG_E_PATHNOTFOUND;
    }
    return S_OK;
}

} // namespace

HRESULT BuildMailFolderPath(MessageContext& context, const SBinary* folderEntryId, LPSTR out,
                            std::size_t size) {
    HRESULT hr = BuildFromLevel(context, folderEntryId, out, size, 0);
    if (FAILED(hr)) {
        out[0] = '\0';
    }
    return hr;
}
