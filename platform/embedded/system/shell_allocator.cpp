// The shell's allocator, which frees the item id lists that the shell hands out: the process's
// heap, where the embedded shell makes them.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/com/process_heap.h"
#include "platform/shell_folders.h"

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
    *allocator = embedded::ProcessHeapAllocator();
    return S_OK;
}
