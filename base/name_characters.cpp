#include "base/name_characters.h"

#include "platform/win32_text.h"

#include <cstring>

bool IsLegalNameChar(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32) {
        return false;
    }
    return std::strchr("/\\:?*|><;\"", c) == nullptr;
}

bool IsLegalName(LPCSTR text) {
    if (text == nullptr) {
        return false;
    }
    for (LPCSTR c = text; *c != '\0'; c = CharNextA(c)) {
        if (!IsLegalNameChar(*c)) {
            return false;
        }
    }
    return true;
}

LPSTR CleanName(LPSTR text) {
    if (text == nullptr) {
        return nullptr;
    }
    // Stepping whole characters keeps the trail bytes of a multi-byte character from being
    // judged on their own.
    LPSTR runStart = nullptr;
    for (LPSTR c = text; *c != '\0'; c = CharNextA(c)) {
        if (!IsLegalNameChar(*c)) {
            *c = '-';
        }
        if (*c == ' ' || *c == '.') {
            if (runStart == nullptr) {
                runStart = c;
            }
        } else {
            runStart = nullptr;
        }
    }
    if (runStart != nullptr) {
        *runStart = '\0';
    }
    LPSTR start = text;
    while (*start == ' ') {
        ++start;
    }
    return start;
}
