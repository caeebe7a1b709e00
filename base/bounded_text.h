// Bounded writes into fixed-capacity 8-bit text buffers: never past the buffer, always
// terminated, a cut reported. Capacities count characters including the terminator.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "platform/win_types.h"

constexpr HRESULT STRSAFE_E_INSUFFICIENT_BUFFER = static_cast<HRESULT>(0x8007007A);
constexpr HRESULT STRSAFE_E_INVALID_PARAMETER = static_cast<HRESULT>(0x80070057);
constexpr std::size_t STRSAFE_MAX_CCH = 2147483647;

HRESULT BoundedCopy(char* destination, std::size_t capacity, const char* source);
HRESULT BoundedCopyN(char* destination, std::size_t capacity, const char* source,
                     std::size_t mostSource);
HRESULT BoundedAppend(char* destination, std::size_t capacity, const char* source);
HRESULT BoundedFormat(char* destination, std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
HRESULT BoundedFormatV(char* destination, std::size_t capacity, const char* format,
                       va_list arguments);
