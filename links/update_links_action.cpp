#include "links/update_links_action.h"

#include "links/link_attachment.h"
#include "links/replace_path_part.h"
#include "module/user_messages.h"
#include "platform/win32_files.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

namespace {

constexpr std::size_t kRewrittenPathCapacity = 4096;

} // namespace

HRESULT UpdateLinksAction::ProcessAttachment(LONG method, LONG number) {
    if (!IsLinkMethod(method)) {
        return S_OK;
    }
    OpenedLink link;
    HRESULT hr = OpenLink(message.Get(), static_cast<ULONG>(number), false, link);
    if (hr != S_OK) {
        return hr;
    }
    char rewritten[kRewrittenPathCapacity] = "";
    hr = ReplacePathPart(link.path, oldPath, newPath, rewritten, kRewrittenPathCapacity);
    if (hr == NTE_NOT_FOUND) {
        return S_OK;
    }
    if (FAILED(hr)) {
        return hr;
    }
    // A folder counts as there: only a path that names nothing is asked about, and only a Yes
    // rewrites it, not a question that could not be shown.
    if (GetFileAttributesA(rewritten) == INVALID_FILE_ATTRIBUTES &&
        ShowResourceMessage(ownerWindow, resource_ids::kNewLinkPathMissing, MB_YESNO | MB_ICONERROR,
                            rewritten) != IDYES) {
        return MAPI_E_CANCEL;
    }
    hr = UpdateLinkPath(link.attachment.Get(), rewritten);
    if (FAILED(hr)) {
        return hr;
    }
    ++processedCount;
    modified = true;
    return S_OK;
}
