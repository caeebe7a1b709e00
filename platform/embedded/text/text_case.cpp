// Case folding of system code page text. Folding happens in place and never moves a byte:
// callers keep offsets into the text across a fold, so a letter whose other case is spelled
// with a different number of bytes keeps its case.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/text/utf8.h"
#include "platform/win32_text.h"

#include <clocale>
#include <cstring>
#include <cwctype>
#include <locale.h>
#include <string>

namespace {

locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

char32_t FoldCodePoint(char32_t c, bool toUpper) {
    if (c < 0x80) {
        if (toUpper && c >= 'a' && c <= 'z') {
            return c - 'a' + 'A';
        }
        if (!toUpper && c >= 'A' && c <= 'Z') {
            return c - 'A' + 'a';
        }
        return c;
    }
    const locale_t locale = UnicodeLocale();
    if (locale == static_cast<locale_t>(0)) {
        return c;
    }
    const auto wide = static_cast<wint_t>(c);
    return static_cast<char32_t>(toUpper ? towupper_l(wide, locale) : towlower_l(wide, locale));
}

LPSTR FoldInPlace(LPSTR text, bool toUpper) {
    if (text == nullptr) {
        return text;
    }
    auto* bytes = reinterpret_cast<unsigned char*>(text);
    while (*bytes != 0) {
        const std::size_t length = embedded::Utf8SequenceLength(bytes);
        bool valid = false;
        const char32_t c = embedded::DecodeUtf8(bytes, length, valid);
        if (valid) {
            std::string folded;
            embedded::AppendUtf8(folded, FoldCodePoint(c, toUpper));
            if (folded.size() == length) {
                std::memcpy(bytes, folded.data(), length);
            }
        }
        bytes += length;
    }
    return text;
}

// One character for comparing: its lower-case code point, or a malformed byte in a range of
// its own above every character.
char32_t CompareKey(const unsigned char*& text) {
    const std::size_t length = embedded::Utf8SequenceLength(text);
    bool valid = false;
    const char32_t c = embedded::DecodeUtf8(text, length, valid);
    text += length;
    return valid ? FoldCodePoint(c, false) : 0x110000 + c;
}

} // namespace

LPSTR WINAPI CharLowerA(LPSTR text) {
    (void)embedded::EnterOperation("CharLowerA");
    return FoldInPlace(text, false);
}

LPSTR WINAPI CharUpperA(LPSTR text) {
    (void)embedded::EnterOperation("CharUpperA");
    return FoldInPlace(text, true);
}

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) {
    (void)embedded::EnterOperation("lstrcmpiA");
    // A missing text sorts before every text, as on the platform.
    if (a == nullptr || b == nullptr) {
        return a == b ? 0 : (a == nullptr ? -1 : 1);
    }
    const auto* left = reinterpret_cast<const unsigned char*>(a);
    const auto* right = reinterpret_cast<const unsigned char*>(b);
    while (*left != 0 && *right != 0) {
        const char32_t l = CompareKey(left);
        const char32_t r = CompareKey(right);
        if (l != r) {
            return l < r ? -1 : 1;
        }
    }
    if (*left == *right) {
        return 0;
    }
    return *left == 0 ? -1 : 1;
}
