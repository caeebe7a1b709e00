// The platform's message formatter over a template text: numbered inserts %1 to %99, each
// with an optional printf conversion between exclamation marks (plain %1 is %1!s!), and the
// escapes %0 (end without line break), %n (line break), %r, %t and %<any other character>.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/text/printf_conversion.h"
#include "platform/win32_text.h"

#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace {

struct Insert {
    int number;
    embedded::Conversion conversion;
    std::string spelling; // as written, for FORMAT_MESSAGE_IGNORE_INSERTS
};

using Piece = std::variant<std::string, Insert>;

DWORD Fail(DWORD code) {
    SetLastError(code);
    return 0;
}

// Splits the template into literal text and inserts; false for a malformed insert.
bool ParseTemplate(std::string_view text, bool ignoreLineBreaks, std::vector<Piece>& pieces) {
    std::string literal;
    auto flush = [&] {
        if (!literal.empty()) {
            pieces.emplace_back(literal);
            literal.clear();
        }
    };
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c != '%') {
            if (ignoreLineBreaks && (c == '\r' || c == '\n')) {
                // Without a width limit of its own, only %n breaks a line.
                if (c == '\n' || (i + 1 < text.size() && text[i + 1] != '\n')) {
                    literal.push_back(' ');
                }
                ++i;
                continue;
            }
            literal.push_back(c);
            ++i;
            continue;
        }
        const std::size_t start = i++;
        if (i >= text.size()) {
            break;
        }
        const char next = text[i];
        if (next >= '1' && next <= '9') {
            Insert insert{next - '0', {}, {}};
            ++i;
            if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                insert.number = insert.number * 10 + (text[i++] - '0');
            }
            std::string_view conversionText = "s";
            if (i < text.size() && text[i] == '!') {
                const std::size_t close = text.find('!', i + 1);
                if (close == std::string_view::npos) {
                    return false;
                }
                conversionText = text.substr(i + 1, close - i - 1);
                i = close + 1;
            }
            if (embedded::ParseConversion(conversionText, insert.conversion) !=
                conversionText.size()) {
                return false;
            }
            insert.spelling = std::string(text.substr(start, i - start));
            flush();
            pieces.emplace_back(insert);
            continue;
        }
        ++i;
        switch (next) {
        case '0':
            flush();
            return true;
        case 'n':
            literal += "\r\n";
            break;
        case 'r':
            literal.push_back('\r');
            break;
        case 't':
            literal.push_back('\t');
            break;
        default:
            literal.push_back(next); // %% %. %! %space and the like
            break;
        }
    }
    flush();
    return true;
}

} // namespace

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                            LPSTR buffer, DWORD capacity, va_list* arguments) {
    (void)messageId;
    (void)languageId;
    HRESULT hr = embedded::EnterOperation("FormatMessageA", flags);
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    // Only templates given by the caller; message tables and allocated output are not kept here.
    if ((flags & FORMAT_MESSAGE_FROM_STRING) == 0 ||
        (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0 || source == nullptr || buffer == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const bool ignoreInserts = (flags & FORMAT_MESSAGE_IGNORE_INSERTS) != 0;
    std::vector<Piece> pieces;
    if (!ParseTemplate(static_cast<const char*>(source),
                       (flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) != 0, pieces)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }

    // Arguments are taken in number order, each as its first insert declares it; a number no
    // insert uses is passed over as one pointer-sized argument.
    std::map<int, embedded::ArgumentKind> kinds;
    int highest = 0;
    for (const Piece& piece : pieces) {
        if (const Insert* insert = std::get_if<Insert>(&piece)) {
            kinds.try_emplace(insert->number, embedded::KindOf(insert->conversion));
            highest = std::max(highest, insert->number);
        }
    }
    std::vector<std::uint64_t> values(static_cast<std::size_t>(highest) + 1);
    if (!ignoreInserts && highest > 0) {
        if (arguments == nullptr) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        const bool isArray = (flags & FORMAT_MESSAGE_ARGUMENT_ARRAY) != 0;
        const auto* array = reinterpret_cast<const ULONG_PTR*>(arguments);
        for (int n = 1; n <= highest; ++n) {
            auto found = kinds.find(n);
            const auto kind = found == kinds.end() ? embedded::ArgumentKind::Text : found->second;
            std::uint64_t value = 0;
            if (isArray) {
                value = array[n - 1];
                if (kind == embedded::ArgumentKind::Int32) {
                    value = static_cast<std::uint64_t>(
                        static_cast<std::int64_t>(static_cast<std::int32_t>(value)));
                }
            } else if (kind == embedded::ArgumentKind::Int64) {
                value = va_arg(*arguments, std::uint64_t);
            } else if (kind == embedded::ArgumentKind::Int32) {
                value =
                    static_cast<std::uint64_t>(static_cast<std::int64_t>(va_arg(*arguments, int)));
            } else {
                value = reinterpret_cast<std::uintptr_t>(va_arg(*arguments, const void*));
            }
            values[static_cast<std::size_t>(n)] = value;
        }
    }

    std::string out;
    for (const Piece& piece : pieces) {
        if (const std::string* literal = std::get_if<std::string>(&piece)) {
            out += *literal;
        } else {
            const Insert& insert = std::get<Insert>(piece);
            out += ignoreInserts
                       ? insert.spelling
                       : embedded::FormatConversion(
                             insert.conversion, values[static_cast<std::size_t>(insert.number)]);
        }
    }
    if (out.size() + 1 > capacity) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return static_cast<DWORD>(out.size());
}
