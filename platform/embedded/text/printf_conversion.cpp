#include "platform/embedded/text/printf_conversion.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace embedded {

std::size_t ParseConversion(std::string_view text, Conversion& out) {
    out = Conversion{};
    std::size_t i = 0;
    while (i < text.size() && std::strchr("-+ #0", text[i]) != nullptr) {
        out.flags.push_back(text[i++]);
    }
    auto number = [&](int& into) {
        if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            into = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9' && into < 100000) {
                into = into * 10 + (text[i++] - '0');
            }
        }
    };
    number(out.width);
    if (i < text.size() && text[i] == '.') {
        ++i;
        out.precision = 0;
        number(out.precision);
    }
    if (text.substr(i, 3) == "I64") {
        out.wide64 = true;
        i += 3;
    } else if (text.substr(i, 2) == "ll") {
        out.wide64 = true;
        i += 2;
    } else if (i < text.size() && (text[i] == 'l' || text[i] == 'h')) {
        ++i;
    }
    if (i < text.size() && std::strchr("diuxXocsp", text[i]) != nullptr) {
        out.type = text[i++];
        return i;
    }
    out.type = 0;
    return 0;
}

ArgumentKind KindOf(const Conversion& conversion) {
    switch (conversion.type) {
    case 's':
    case 'p':
        return ArgumentKind::Text;
    case 0:
        return ArgumentKind::None;
    default:
        return conversion.wide64 ? ArgumentKind::Int64 : ArgumentKind::Int32;
    }
}

std::string FormatConversion(const Conversion& conversion, std::uint64_t bits) {
    // Appended piece by piece: GCC 12 warns falsely on "literal" + string at -O2.
    std::string pattern = "%";
    pattern += conversion.flags;
    if (conversion.width >= 0) {
        pattern += std::to_string(conversion.width);
    }
    if (conversion.precision >= 0) {
        pattern += '.';
        pattern += std::to_string(conversion.precision);
    }
    const char type = conversion.type;
    std::vector<char> out(64 +
                          static_cast<std::size_t>(conversion.width > 0 ? conversion.width : 0));
    auto print = [&](auto value) {
        for (;;) {
            const int n = std::snprintf(out.data(), out.size(), pattern.c_str(), value);
            if (n < 0) {
                return std::string();
            }
            if (static_cast<std::size_t>(n) < out.size()) {
                return std::string(out.data(), static_cast<std::size_t>(n));
            }
            out.resize(static_cast<std::size_t>(n) + 1);
        }
    };
    switch (type) {
    case 's': {
        const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(bits));
        pattern += 's';
        return print(text == nullptr ? "(null)" : text);
    }
    case 'p':
        pattern += 'p';
        return print(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(bits)));
    case 'c':
        pattern += 'c';
        return print(static_cast<int>(static_cast<unsigned char>(bits)));
    case 'd':
    case 'i':
        if (conversion.wide64) {
            pattern += "lld";
            return print(static_cast<long long>(bits));
        }
        pattern += 'd';
        return print(static_cast<int>(static_cast<std::int32_t>(bits)));
    default:
        if (conversion.wide64) {
            pattern += "ll";
            pattern += type;
            return print(static_cast<unsigned long long>(bits));
        }
        pattern += type;
        return print(static_cast<unsigned int>(static_cast<std::uint32_t>(bits)));
    }
}

} // namespace embedded
