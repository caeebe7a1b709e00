// Conversion between the system code page (UTF-8) and the platform's 16-bit wide text.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/text/utf8.h"
#include "platform/win32_text.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char32_t ReplacementCharacter = 0xFFFD;

bool IsSystemCodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_UTF8;
}

int Fail(DWORD code) {
    SetLastError(code);
    return 0;
}

// Hands the converted units to the caller: a size query answers the count, a buffer that is
// too small takes nothing.
template <typename Unit> int Deliver(const std::vector<Unit>& units, Unit* out, int capacity) {
    const int needed = static_cast<int>(units.size());
    if (capacity == 0) {
        return needed;
    }
    if (needed > capacity) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(out, units.data(), units.size() * sizeof(Unit));
    return needed;
}

} // namespace

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                               int capacity) {
    HRESULT hr = embedded::EnterOperation("MultiByteToWideChar", flags);
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    if (!IsSystemCodePage(codePage) || text == nullptr || length == 0 || length < -1 ||
        capacity < 0 || (out == nullptr && capacity != 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // A copy that ends in a NUL, so that no sequence is read past the caller's length; with -1
    // the terminator itself is converted and counted.
    const std::size_t count =
        length == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(length);
    const std::string bytes(text, count);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.c_str());
    const auto* end = p + count;

    std::vector<WCHAR> units;
    while (p < end) {
        const std::size_t step = *p == 0 ? 1 : embedded::Utf8SequenceLength(p);
        bool valid = false;
        char32_t c = embedded::DecodeUtf8(p, step, valid);
        if (!valid) {
            if ((flags & MB_ERR_INVALID_CHARS) != 0) {
                return Fail(ERROR_NO_UNICODE_TRANSLATION);
            }
            c = ReplacementCharacter;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<WCHAR>(0xD800 + (c >> 10)));
            units.push_back(static_cast<WCHAR>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<WCHAR>(c));
        }
        p += step;
    }
    return Deliver(units, out, capacity);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                               int capacity, LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    HRESULT hr = embedded::EnterOperation("WideCharToMultiByte", flags);
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    // UTF-8 has a form for every character, so the platform refuses a default character for it.
    const bool utf8 = codePage == CP_UTF8;
    if (!IsSystemCodePage(codePage) || text == nullptr || length == 0 || length < -1 ||
        capacity < 0 || (out == nullptr && capacity != 0) ||
        (utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr))) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::size_t count = 0;
    if (length == -1) {
        while (text[count] != 0) {
            ++count;
        }
        ++count;
    } else {
        count = static_cast<std::size_t>(length);
    }

    std::string bytes;
    bool replaced = false;
    for (std::size_t i = 0; i < count; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = ReplacementCharacter; // a lone half of a pair
            replaced = true;
        }
        embedded::AppendUtf8(bytes, c);
    }
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = replaced ? TRUE : FALSE;
    }
    return Deliver(std::vector<char>(bytes.begin(), bytes.end()), out, capacity);
}
