// One printf-style conversion as the platform's formatters know it (wsprintfA and the inserts
// of FormatMessageA). The platform's long is 32 bits wide, so "l" changes nothing; "ll" and
// "I64" take a 64-bit number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace embedded {

enum class ArgumentKind { Int32, Int64, Text, None };

struct Conversion {
    std::string flags;  // any of "-+ #0"
    int width = -1;     // -1: none
    int precision = -1; // -1: none
    bool wide64 = false;
    char type = 0; // d i u x X o c s p, or 0 when not a conversion
};

// Parses a conversion after its "%" from `text`; returns the bytes taken (0 when nothing
// that looks like one was there).
std::size_t ParseConversion(std::string_view text, Conversion& out);

ArgumentKind KindOf(const Conversion& conversion);

// Formats one value. `bits` holds the number (sign-extended as its kind says) or the pointer.
std::string FormatConversion(const Conversion& conversion, std::uint64_t bits);

} // namespace embedded
