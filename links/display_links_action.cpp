#include "links/display_links_action.h"

#include "base/bounded_text.h"
#include "links/link_attachment.h"
#include "links/link_info_dialog.h"
#include "module/module_instance.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/win32_ui.h"
#include "platform/win32_windows.h"
#include "resources/resource_ids.h"

namespace {

constexpr std::size_t kLineCapacity = 4096;
constexpr int kNoLinksCapacity = 2048;
constexpr int kPlaceholderCapacity = 256;

std::string ResourceText(UINT id, int capacity) {
    std::string text(static_cast<std::size_t>(capacity), '\0');
    const int length = LoadStringA(ModuleInstance(), id, text.data(), capacity);
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

} // namespace

HRESULT DisplayLinksAction::ProcessAttachment(LONG method, LONG number) {
    if (!IsLinkMethod(method)) {
        return S_OK;
    }
    char line[kLineCapacity] = "";
    OpenedLink link;
    const HRESULT hr = OpenLink(message.Get(), static_cast<ULONG>(number), true, link);
    if (FAILED(hr)) {
        return hr;
    }
    if (hr == S_OK) {
        const std::string noName = ResourceText(resource_ids::kNoName, kPlaceholderCapacity);
        BoundedFormat(line, kLineCapacity, "%s -> %s\r\n",
                      link.displayName != nullptr ? link.displayName : noName.c_str(), link.path);
        ++processedCount;
    }
    BoundedAppend(linkText, kLinkTextCapacity, line);
    return hr;
}

HRESULT DisplayLinksAction::Finish() {
    MapiBuffer<SPropValue> subjectValue;
    std::string subject;
    if (SUCCEEDED(HrGetOneProp(message.Get(), PR_SUBJECT, subjectValue.Out())) && subjectValue &&
        subjectValue->ulPropTag == PR_SUBJECT && subjectValue->Value.lpszA != nullptr) {
        subject = subjectValue->Value.lpszA;
    }
    if (subject.empty()) {
        subject = ResourceText(resource_ids::kNoSubject, kPlaceholderCapacity);
    }
    const std::string text = linkText[0] != '\0'
                                 ? std::string(linkText)
                                 : ResourceText(resource_ids::kNoLinks, kNoLinksCapacity);
    LinkInfoDialog dialog(subject, text);
    return dialog.Show(GetActiveWindow()) == IDCANCEL ? MAPI_E_CANCEL : S_OK;
}
