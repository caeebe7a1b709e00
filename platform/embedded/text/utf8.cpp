#include "platform/embedded/text/utf8.h"

namespace embedded {
namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::size_t Utf8SequenceLength(const unsigned char* text) {
    const unsigned char lead = text[0];
    std::size_t length = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 1;
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(text[i])) {
            return 1; // also stops at the terminator, which is no continuation byte
        }
        value = (value << 6) | (text[i] & 0x3F);
    }
    // Over-long forms, surrogates and values above the Unicode range are not characters.
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 1;
    }
    return length;
}

char32_t DecodeUtf8(const unsigned char* text, std::size_t length, bool& valid) {
    if (length == 1) {
        valid = text[0] < 0x80;
        return text[0];
    }
    valid = true;
    char32_t value = text[0] & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        value = (value << 6) | (text[i] & 0x3F);
    }
    return value;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

} // namespace embedded
