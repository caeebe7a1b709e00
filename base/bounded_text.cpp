#include "base/bounded_text.h"

#include <cstdio>

namespace {
bool Refused(std::size_t capacity) {
    return capacity == 0 || capacity > STRSAFE_MAX_CCH;
}
} // namespace

HRESULT BoundedCopyN(char* destination, std::size_t capacity, const char* source,
                     std::size_t mostSource) {
    if (Refused(capacity) || destination == nullptr)
        return STRSAFE_E_INVALID_PARAMETER;
    if (source == nullptr)
        source = "";
    std::size_t written = 0;
    while (written < capacity - 1 && written < mostSource && source[written] != '\0') {
        destination[written] = source[written];
        ++written;
    }
    destination[written] = '\0';
    // A cut only when room ran out while the source still had characters to give.
    bool cut = written == capacity - 1 && written < mostSource && source[written] != '\0';
    return cut ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
}

HRESULT BoundedCopy(char* destination, std::size_t capacity, const char* source) {
    return BoundedCopyN(destination, capacity, source, STRSAFE_MAX_CCH);
}

HRESULT BoundedAppend(char* destination, std::size_t capacity, const char* source) {
    if (Refused(capacity) || destination == nullptr)
        return STRSAFE_E_INVALID_PARAMETER;
    std::size_t length = 0;
    while (length < capacity && destination[length] != '\0')
        ++length;
    if (length == capacity)
        return STRSAFE_E_INVALID_PARAMETER;
    return BoundedCopy(destination + length, capacity - length, source);
}

HRESULT BoundedFormatV(char* destination, std::size_t capacity, const char* format,
                       va_list arguments) {
    if (Refused(capacity) || destination == nullptr || format == nullptr)
        return STRSAFE_E_INVALID_PARAMETER;
    int needed = std::vsnprintf(destination, capacity, format, arguments);
    if (needed < 0) {
        destination[0] = '\0';
        return STRSAFE_E_INVALID_PARAMETER;
    }
    destination[capacity - 1] = '\0';
    return static_cast<std::size_t>(needed) > capacity - 1 ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
}

HRESULT BoundedFormat(char* destination, std::size_t capacity, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    HRESULT result = BoundedFormatV(destination, capacity, format, arguments);
    va_end(arguments);
    return result;
}
