// UTF-8 sequences as the embedded platform's system code page has them. A byte that does not
// start a complete, well-formed sequence stands for one character of its own, so that every
// text can be stepped through and nothing is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace embedded {

// The length in bytes (1 to 4) of the character that starts at `text`; 1 for a malformed byte.
// Never reads past a NUL byte.
std::size_t Utf8SequenceLength(const unsigned char* text);

// The code point of the character at `text` (length from Utf8SequenceLength); a malformed byte
// gives nothing but its length, and `valid` tells which.
char32_t DecodeUtf8(const unsigned char* text, std::size_t length, bool& valid);

void AppendUtf8(std::string& out, char32_t codePoint);

} // namespace embedded
