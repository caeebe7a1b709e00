// The shell's allocator: the C library's heap, which is where the embedded shell makes item id
// lists. One object for the process; its count never drops it.
#include "platform/embedded/fault_injection.h"
#include "platform/shell_folders.h"

#include <cstdlib>

namespace {

class ShellAllocator final : public IMalloc {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (riid != IID_IUnknown && riid != IID_IMalloc) {
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IMalloc*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void* STDMETHODCALLTYPE Alloc(SIZE_T cb) override { return std::malloc(cb == 0 ? 1 : cb); }
    void* STDMETHODCALLTYPE Realloc(void* pv, SIZE_T cb) override {
        return std::realloc(pv, cb == 0 ? 1 : cb);
    }
    void STDMETHODCALLTYPE Free(void* pv) override { std::free(pv); }
    SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return static_cast<SIZE_T>(-1); }
    int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
    void STDMETHODCALLTYPE HeapMinimize() override {}
};

} // namespace

HRESULT WINAPI SHGetMalloc(LPMALLOC* allocator) {
    if (allocator != nullptr) {
        *allocator = nullptr;
    }
    HRESULT hr = embedded::EnterOperation("SHGetMalloc");
    if (FAILED(hr)) {
        return hr;
    }
    if (allocator == nullptr) {
        return E_INVALIDARG;
    }
    static ShellAllocator shared;
    *allocator = &shared;
    return S_OK;
}
