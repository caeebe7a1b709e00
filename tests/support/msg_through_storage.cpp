#include "tests/support/msg_through_storage.h"

#include "platform/mapi_functions.h"
#include "platform/ole_storage.h"

#include <algorithm>

namespace testing_support {

HRESULT CopyIntoNewMsg(IMessage* source, const std::u16string& path,
                       const std::vector<ULONG>& excluded,
                       const std::function<void()>& beforeCommit) {
    IStorage* storage = nullptr;
    HRESULT hr = StgCreateDocfile(path.c_str(), 0x11002, 0, &storage);
    if (FAILED(hr)) {
        return hr;
    }
    LPMALLOC allocator = MAPIGetDefaultMalloc();
    LPMSGSESS session = nullptr;
    hr = OpenIMsgSession(allocator, 0, &session);
    if (FAILED(hr)) {
        storage->Release();
        return hr;
    }
    IMessage* target = nullptr;
    hr = OpenIMsgOnIStg(session, MAPIAllocateBuffer, MAPIAllocateMore, MAPIFreeBuffer, allocator,
                        nullptr, storage, nullptr, 0, 0, &target);
    if (SUCCEEDED(hr)) {
        hr = WriteClassStg(storage, CLSID_MailMessage);
    }
    if (SUCCEEDED(hr)) {
        const auto count = static_cast<ULONG>(excluded.size());
        std::vector<BYTE> tags(CbNewSPropTagArray(count));
        auto* leftOut = reinterpret_cast<LPSPropTagArray>(tags.data());
        leftOut->cValues = count;
        std::copy(excluded.begin(), excluded.end(), leftOut->aulPropTag);
        hr = source->CopyTo(0, nullptr, count > 0 ? leftOut : nullptr, 0, nullptr, &IID_IMessage,
                            target, 0, nullptr);
    }
    if (SUCCEEDED(hr)) {
        target->SaveChanges(KEEP_OPEN_READWRITE);
        if (beforeCommit) {
            beforeCommit();
        }
        hr = storage->Commit(STGC_DEFAULT);
    }
    storage->Release();
    if (target != nullptr) {
        target->Release();
    }
    CloseIMsgSession(session);
    return hr;
}

} // namespace testing_support
