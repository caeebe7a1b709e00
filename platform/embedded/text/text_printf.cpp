// The platform's small printf: no floating point, and never more than 1024 bytes written.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/text/printf_conversion.h"
#include "platform/win32_text.h"

#include <cstring>
#include <string>

namespace {

constexpr std::size_t OutputLimit = 1024; // bytes, terminator included

std::uint64_t TakeArgument(embedded::ArgumentKind kind, va_list& arguments) {
    switch (kind) {
    case embedded::ArgumentKind::Int64:
        return va_arg(arguments, std::uint64_t);
    case embedded::ArgumentKind::Text:
        return reinterpret_cast<std::uintptr_t>(va_arg(arguments, const void*));
    default:
        // Numbers arrive as 32-bit values, sign-extended here so that %d sees a negative one.
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(va_arg(arguments, int)));
    }
}

int Print(const char* operation, LPSTR buffer, LPCSTR format, va_list arguments) {
    HRESULT hr = embedded::EnterOperation(operation);
    if (FAILED(hr) || buffer == nullptr || format == nullptr) {
        SetLastError(FAILED(hr) ? embedded::Win32CodeOf(hr) : ERROR_INVALID_PARAMETER);
        return -1;
    }
    va_list args;
    va_copy(args, arguments);
    std::string out;
    const std::string_view text(format);
    for (std::size_t i = 0; i < text.size() && out.size() < OutputLimit;) {
        if (text[i] != '%') {
            out.push_back(text[i++]);
            continue;
        }
        ++i;
        embedded::Conversion conversion;
        const std::size_t taken = embedded::ParseConversion(text.substr(i), conversion);
        if (taken == 0) {
            // "%%" and any unknown letter stand for themselves.
            if (i < text.size()) {
                out.push_back(text[i++]);
            }
            continue;
        }
        i += taken;
        out += embedded::FormatConversion(conversion,
                                          TakeArgument(embedded::KindOf(conversion), args));
    }
    va_end(args);
    if (out.size() > OutputLimit - 1) {
        out.resize(OutputLimit - 1);
    }
    std::memcpy(buffer, out.c_str(), out.size() + 1);
    return static_cast<int>(out.size());
}

} // namespace

int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments) {
    return Print("wvsprintfA", buffer, format, arguments);
}

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = Print("wsprintfA", buffer, format, arguments);
    va_end(arguments);
    return written;
}
