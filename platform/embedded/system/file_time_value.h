// FILETIME values and native time, for the time and file calls of the embedded platform.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <ctime>

namespace embedded {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t UnixEpochInFileTimeSeconds = 11644473600;
constexpr std::int64_t TicksPerSecond = 10000000;

inline std::uint64_t TicksOf(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME FileTimeOf(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

inline timespec TimespecOf(const FILETIME& time) {
    const auto ticks = static_cast<std::int64_t>(TicksOf(time));
    timespec out{};
    out.tv_sec = static_cast<std::time_t>(ticks / TicksPerSecond - UnixEpochInFileTimeSeconds);
    out.tv_nsec = static_cast<long>((ticks % TicksPerSecond) * 100);
    return out;
}

// Times before 1601 have no FILETIME and become its zero.
inline FILETIME FileTimeOf(const timespec& time) {
    const std::int64_t ticks =
        (static_cast<std::int64_t>(time.tv_sec) + UnixEpochInFileTimeSeconds) * TicksPerSecond +
        time.tv_nsec / 100;
    return FileTimeOf(static_cast<std::uint64_t>(ticks < 0 ? 0 : ticks));
}

} // namespace embedded
