// MAPI's buffer chain: a buffer from MAPIAllocateBuffer heads a chain of the buffers that
// MAPIAllocateMore links to it, and freeing the head frees the chain. The module frees property
// arrays and entry identifiers that way and never tracks their strings separately.
#include "platform/mapi_functions.h"

#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/com/process_heap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kHeadMagic = 0x46564842; // a buffer that heads a chain
constexpr std::uint32_t kLinkMagic = 0x4656484C; // a buffer linked to a head

struct alignas(std::max_align_t) BlockHeader {
    std::uint32_t magic;
    BlockHeader* head;
    BlockHeader* next;
};

BlockHeader* HeaderOf(void* buffer) {
    return static_cast<BlockHeader*>(buffer) - 1;
}

void* NewBlock(ULONG size, std::uint32_t magic, BlockHeader* head) {
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (header == nullptr) {
        return nullptr;
    }
    header->magic = magic;
    header->head = head == nullptr ? header : head;
    header->next = nullptr;
    return header + 1;
}

} // namespace

SCODE STDMETHODCALLTYPE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    HRESULT hr = embedded::EnterOperation("MAPIAllocateBuffer", cbSize);
    if (FAILED(hr)) {
        return hr;
    }
    *lppBuffer = NewBlock(cbSize, kHeadMagic, nullptr);
    return *lppBuffer == nullptr ? MAPI_E_NOT_ENOUGH_MEMORY : S_OK;
}

SCODE STDMETHODCALLTYPE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer) {
    if (lppBuffer == nullptr || lpObject == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppBuffer = nullptr;
    HRESULT hr = embedded::EnterOperation("MAPIAllocateMore", cbSize);
    if (FAILED(hr)) {
        return hr;
    }
    BlockHeader* parent = HeaderOf(lpObject);
    if (parent->magic != kHeadMagic && parent->magic != kLinkMagic) {
        return MAPI_E_INVALID_PARAMETER;
    }
    BlockHeader* head = parent->head;
    void* buffer = NewBlock(cbSize, kLinkMagic, head);
    if (buffer == nullptr) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    BlockHeader* link = HeaderOf(buffer);
    link->next = head->next;
    head->next = link;
    *lppBuffer = buffer;
    return S_OK;
}

ULONG STDMETHODCALLTYPE MAPIFreeBuffer(LPVOID lpBuffer) {
    // A failure cannot be reported here, so the call is only recorded.
    embedded::EnterOperation("MAPIFreeBuffer");
    if (lpBuffer == nullptr) {
        return 0;
    }
    BlockHeader* header = HeaderOf(lpBuffer);
    if (header->magic != kHeadMagic) {
        // A linked buffer lives as long as its head; MAPI ignores freeing it alone.
        return 0;
    }
    BlockHeader* link = header->next;
    while (link != nullptr) {
        BlockHeader* next = link->next;
        link->magic = 0;
        std::free(link);
        link = next;
    }
    header->magic = 0;
    std::free(header);
    return 0;
}

LPMALLOC WINAPI MAPIGetDefaultMalloc() {
    if (FAILED(embedded::EnterOperation("MAPIGetDefaultMalloc"))) {
        return nullptr;
    }
    return embedded::ProcessHeapAllocator();
}

// 8-bit search. The system code page of the embedded platform is UTF-8, where no byte of a
// multi-byte character equals an ASCII character, so a byte-wise scan steps characters
// correctly for every character the module searches for.
LPSTR STDAPICALLTYPE SzFindCh(LPCSTR lpsz, USHORT ch) {
    if (FAILED(embedded::EnterOperation("SzFindCh", ch)) || lpsz == nullptr) {
        return nullptr;
    }
    for (const char* p = lpsz; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) == ch) {
            return const_cast<LPSTR>(p);
        }
    }
    return nullptr;
}

LPSTR STDAPICALLTYPE SzFindLastCh(LPCSTR lpsz, USHORT ch) {
    if (FAILED(embedded::EnterOperation("SzFindLastCh", ch)) || lpsz == nullptr) {
        return nullptr;
    }
    const char* found = nullptr;
    for (const char* p = lpsz; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) == ch) {
            found = p;
        }
    }
    return const_cast<LPSTR>(found);
}

LPSTR STDAPICALLTYPE SzFindSz(LPCSTR lpsz, LPCSTR lpszKey) {
    if (FAILED(embedded::EnterOperation("SzFindSz")) || lpsz == nullptr || lpszKey == nullptr) {
        return nullptr;
    }
    return const_cast<LPSTR>(std::strstr(lpsz, lpszKey));
}
