// Stepping through system code page text one character at a time, and the plain string calls.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/text/utf8.h"
#include "platform/win32_text.h"

#include <cstring>

LPSTR WINAPI CharNextA(LPCSTR text) {
    // The stepping calls cannot fail; an injected fault is only recorded.
    (void)embedded::EnterOperation("CharNextA");
    if (text == nullptr || *text == '\0') {
        return const_cast<LPSTR>(text);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    return const_cast<LPSTR>(text + embedded::Utf8SequenceLength(bytes));
}

LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR current) {
    (void)embedded::EnterOperation("CharPrevA");
    if (start == nullptr || current == nullptr || current <= start) {
        return const_cast<LPSTR>(start);
    }
    // The character before `current` is the sequence that ends exactly there; a stray byte
    // steps back by one.
    for (std::ptrdiff_t back = 2; back <= 4 && current - back >= start; ++back) {
        const auto* lead = reinterpret_cast<const unsigned char*>(current - back);
        if (static_cast<std::ptrdiff_t>(embedded::Utf8SequenceLength(lead)) == back) {
            return const_cast<LPSTR>(current - back);
        }
    }
    return const_cast<LPSTR>(current - 1);
}

int WINAPI lstrlenA(LPCSTR text) {
    (void)embedded::EnterOperation("lstrlenA");
    return text == nullptr ? 0 : static_cast<int>(std::strlen(text));
}

LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int capacity) {
    HRESULT hr = embedded::EnterOperation("lstrcpynA");
    if (FAILED(hr) || destination == nullptr || capacity <= 0) {
        return nullptr;
    }
    if (source == nullptr) {
        source = "";
    }
    int i = 0;
    for (; i < capacity - 1 && source[i] != '\0'; ++i) {
        destination[i] = source[i];
    }
    destination[i] = '\0';
    return destination;
}
