#include "base/name_cut.h"

#include "base/bounded_text.h"
#include "platform/win32_text.h"

#include <cstring>

namespace {

// A cut leaves at most the lead bytes of one character; a few rounds remove them.
constexpr int kMostBrokenBytes = 4;

bool IsWholeCharacter(LPCSTR start, int length) {
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, start, length, nullptr, 0) > 0;
}

} // namespace

void TrimBrokenTrailingCharacter(LPSTR text) {
    if (text == nullptr) {
        return;
    }
    for (int round = 0; round < kMostBrokenBytes; ++round) {
        LPSTR end = text + std::strlen(text);
        if (end == text) {
            return;
        }
        LPSTR last = CharPrevA(text, end);
        if (IsWholeCharacter(last, static_cast<int>(end - last))) {
            return;
        }
        *last = '\0';
    }
}

HRESULT CopyNamePart(LPSTR destination, std::size_t capacity, LPCSTR source) {
    HRESULT hr = BoundedCopy(destination, capacity, source);
    if (hr == STRSAFE_E_INSUFFICIENT_BUFFER) {
        TrimBrokenTrailingCharacter(destination);
    }
    return hr;
}

HRESULT AppendNamePart(LPSTR destination, std::size_t capacity, LPCSTR source) {
    HRESULT hr = BoundedAppend(destination, capacity, source);
    if (hr == STRSAFE_E_INSUFFICIENT_BUFFER) {
        TrimBrokenTrailingCharacter(destination);
    }
    return hr;
}
