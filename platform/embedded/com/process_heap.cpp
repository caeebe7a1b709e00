#include "platform/embedded/com/process_heap.h"

#include <cstdlib>

namespace embedded {
namespace {

class ProcessHeap final : public IMalloc {
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
    // Never freed: counting only answers.
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

IMalloc* ProcessHeapAllocator() {
    static ProcessHeap heap;
    return &heap;
}

} // namespace embedded
