#include "engine/embedded_message_file.h"

#include "base/name_cut.h"
#include "engine/save_path.h"
#include "base/wide_text.h"
#include "base/bounded_text.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/ole_storage.h"
#include "platform/win32_text.h"

#include <cstddef>
#include <vector>

namespace {

// The subject keeps at most 194 characters, so that the name with ".msg" stays within 199.
constexpr std::size_t kSubjectInName = 194;
constexpr std::size_t kMsgNameCapacity = kSubjectInName + 5 + 1;
constexpr char kMsgExtension[] = ".msg";
constexpr char kNoSubjectName[] = "nosubject.msg";

constexpr DWORD kCreateMode = STGM_TRANSACTED | STGM_CREATE | STGM_READWRITE; // 0x11002

void MakeMsgName(LPCSTR subjectClean, LPSTR name) {
    if (subjectClean == nullptr || subjectClean[0] == '\0') {
        BoundedCopy(name, kMsgNameCapacity, kNoSubjectName);
        return;
    }
    BoundedCopyN(name, kMsgNameCapacity, subjectClean, kSubjectInName);
    if (lstrlenA(subjectClean) > static_cast<int>(kSubjectInName)) {
        TrimBrokenTrailingCharacter(name); // the cut may have gone through a character
    }
    BoundedAppend(name, kMsgNameCapacity, kMsgExtension);
}

// A failure once the session is open: the new message goes before the storage it lives on,
// and the session is closed last.
HRESULT Abandon(HRESULT failure, ComPtr<IMessage>& file, ComPtr<IStorage>& storage,
                LPMSGSESS session) {
    file.Reset();
    storage.Reset();
    CloseIMsgSession(session);
    return failure;
}

bool HasRtfBody(IMessage* message) {
    SizedSPropTagArray(1, rtf) = {1, {PR_RTF_COMPRESSED}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    // Only whether it is there: a body too big to hand over whole is there all the same.
    HRESULT hr =
        message->GetProps(reinterpret_cast<LPSPropTagArray>(&rtf), 0, &count, values.Out());
    if (FAILED(hr) || !values || count != 1) {
        return false;
    }
    return values[0].ulPropTag == PR_RTF_COMPRESSED ||
           (PROP_TYPE(values[0].ulPropTag) == PT_ERROR &&
            values[0].Value.err == MAPI_E_NOT_ENOUGH_MEMORY);
}

} // namespace

HRESULT SaveEmbeddedMessageFile(MessageContext& child) {
    if (!child.message || child.options == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    char name[kMsgNameCapacity];
    MakeMsgName(child.subjectClean, name);
    char path[kSavePathCapacity];
    if (!BuildSavePath(child, name, path, kSavePathCapacity)) {
        return E_POINTER;
    }
    std::vector<WCHAR> widePath;
    HRESULT hr = ToWideText(path, widePath);
    if (FAILED(hr)) {
        return hr;
    }

    ComPtr<IStorage> storage;
    hr = StgCreateDocfile(widePath.data(), kCreateMode, 0, storage.Out());
    if (FAILED(hr)) {
        return hr;
    }
    LPMALLOC allocator = MAPIGetDefaultMalloc();
    if (allocator == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY; // a session without an allocator cannot be opened
    }
    LPMSGSESS session = nullptr;
    hr = OpenIMsgSession(allocator, 0, &session);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IMessage> file;
    hr = OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer, allocator,
                        nullptr, storage.Get(), nullptr, 0, 0, file.Out());
    if (FAILED(hr)) {
        return Abandon(hr, file, storage, session);
    }
    hr = WriteClassStg(storage.Get(), CLSID_MailMessage);
    if (FAILED(hr)) {
        return Abandon(hr, file, storage, session);
    }
    // The plain-text body and the values that keep it in step with the RTF body stay behind:
    // the compressed RTF body carries the text, and a reader rebuilds the rest from it. A
    // message without an RTF body keeps its plain one, or the file would hold no text at all,
    // and with the attachments removed the text would be gone for good.
    SizedSPropTagArray(7, leftOut) = {7,
                                      {PR_ACCESS, PR_RTF_SYNC_BODY_COUNT, PR_RTF_SYNC_BODY_CRC,
                                       PR_RTF_SYNC_BODY_TAG, PR_RTF_SYNC_PREFIX_COUNT,
                                       PR_RTF_SYNC_TRAILING_COUNT, PR_BODY}};
    if (!HasRtfBody(child.message.Get())) {
        leftOut.cValues = 6;
    }
    hr = child.message->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&leftOut), 0, nullptr,
                               &IID_IMessage, file.Get(), 0, nullptr);
    if (FAILED(hr)) {
        return Abandon(hr, file, storage, session);
    }
    // A message that was not saved into its storage would commit as an empty file.
    hr = file->SaveChanges(KEEP_OPEN_READWRITE);
    if (SUCCEEDED(hr)) {
        hr = storage->Commit(STGC_DEFAULT);
    }
    if (FAILED(hr)) {
        return Abandon(hr, file, storage, session);
    }
    if (child.options->writtenFiles) {
        child.options->writtenFiles->Add(path);
    }
    storage.Reset();
    file.Reset();
    CloseIMsgSession(session);
    return hr;
}
