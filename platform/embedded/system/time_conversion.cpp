// FILETIME values in UTC, their local form and their calendar form. Local time uses the
// process's time zone (TZ) with the daylight-saving rule in force at the instant converted,
// so a time in summer converts with the summer offset even when it is winter now.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/system/file_time_value.h"
#include "platform/win32_time.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <time.h>

namespace {

constexpr std::uint64_t LargestFileTime = 0x7FFFFFFFFFFFFFFFull;

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

// Takes up a change of TZ (tests set it); the zone is read again only when TZ changed, since
// every tzset with TZ unset stats the system's zone file, once per converted time.
void FollowTimeZone() {
    static std::mutex lock;
    static std::optional<std::string> seen;
    static bool read = false;
    const char* now = std::getenv("TZ");
    std::lock_guard guard(lock);
    const std::optional<std::string> current =
        now == nullptr ? std::nullopt : std::optional<std::string>(now);
    if (!read || current != seen) {
        tzset();
        seen = current;
        read = true;
    }
}

// The zone's offset from UTC, in seconds, at the UTC instant `seconds` (since 1970).
std::int64_t OffsetAt(std::int64_t seconds) {
    const auto when = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return 0;
    }
    return local.tm_gmtoff;
}

std::int64_t UnixSecondsOf(std::uint64_t ticks) {
    return static_cast<std::int64_t>(ticks / embedded::TicksPerSecond) -
           embedded::UnixEpochInFileTimeSeconds;
}

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

void SplitTicks(std::uint64_t ticks, SYSTEMTIME& out) {
    const std::uint64_t seconds = ticks / embedded::TicksPerSecond;
    const auto days =
        static_cast<std::int64_t>(seconds / 86400) - embedded::UnixEpochInFileTimeSeconds / 86400;
    const std::uint64_t secondOfDay = seconds % 86400;
    std::int64_t year = 0;
    unsigned month = 0;
    unsigned day = 0;
    CivilFromDays(days, year, month, day);
    out.wYear = static_cast<WORD>(year);
    out.wMonth = static_cast<WORD>(month);
    out.wDay = static_cast<WORD>(day);
    // 1970-01-01 was a Thursday (4; Sunday is 0).
    out.wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);
    out.wHour = static_cast<WORD>(secondOfDay / 3600);
    out.wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
    out.wSecond = static_cast<WORD>(secondOfDay % 60);
    out.wMilliseconds = static_cast<WORD>(ticks % embedded::TicksPerSecond / 10000);
}

std::uint64_t NowTicks() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return embedded::TicksOf(embedded::FileTimeOf(now));
}

} // namespace

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localFileTime) {
    HRESULT hr = embedded::EnterOperation("FileTimeToLocalFileTime");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    if (fileTime == nullptr || localFileTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    FollowTimeZone();
    const std::uint64_t ticks = embedded::TicksOf(*fileTime);
    const std::int64_t local = static_cast<std::int64_t>(ticks) +
                               OffsetAt(UnixSecondsOf(ticks)) * embedded::TicksPerSecond;
    if (local < 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    *localFileTime = embedded::FileTimeOf(static_cast<std::uint64_t>(local));
    return TRUE;
}

BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* localFileTime, LPFILETIME fileTime) {
    HRESULT hr = embedded::EnterOperation("LocalFileTimeToFileTime");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    if (localFileTime == nullptr || fileTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    FollowTimeZone();
    // The offset is that of the UTC instant being sought: guess with the offset at the local
    // reading taken as UTC, then correct once with the offset at the guess. A local time that
    // a change skipped, or that occurs twice, takes one of the two offsets around the change.
    const auto local = static_cast<std::int64_t>(embedded::TicksOf(*localFileTime));
    const std::int64_t localSeconds = UnixSecondsOf(static_cast<std::uint64_t>(local));
    const std::int64_t first = OffsetAt(localSeconds);
    std::int64_t offset = OffsetAt(localSeconds - first);
    if (offset != first && OffsetAt(localSeconds - offset) != offset) {
        offset = first;
    }
    const std::int64_t utc = local - offset * embedded::TicksPerSecond;
    if (utc < 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    *fileTime = embedded::FileTimeOf(static_cast<std::uint64_t>(utc));
    return TRUE;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
    HRESULT hr = embedded::EnterOperation("FileTimeToSystemTime");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    if (fileTime == nullptr || systemTime == nullptr ||
        embedded::TicksOf(*fileTime) > LargestFileTime) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    SplitTicks(embedded::TicksOf(*fileTime), *systemTime);
    return TRUE;
}

BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime) {
    HRESULT hr = embedded::EnterOperation("SystemTimeToFileTime");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    if (systemTime == nullptr || fileTime == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const SYSTEMTIME& t = *systemTime;
    // The day of the week is not checked: the platform ignores it on the way in.
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 ||
        t.wDay > DaysInMonth(t.wYear, t.wMonth) || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::int64_t days =
        DaysFromCivil(t.wYear, t.wMonth, t.wDay) + embedded::UnixEpochInFileTimeSeconds / 86400;
    const std::int64_t seconds = days * 86400 + t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    *fileTime = embedded::FileTimeOf(
        static_cast<std::uint64_t>(seconds * embedded::TicksPerSecond + t.wMilliseconds * 10000));
    return TRUE;
}

// The clock calls have no failure form; an injected fault is only recorded.
void WINAPI GetSystemTimeAsFileTime(LPFILETIME fileTime) {
    (void)embedded::EnterOperation("GetSystemTimeAsFileTime");
    if (fileTime != nullptr) {
        *fileTime = embedded::FileTimeOf(NowTicks());
    }
}

void WINAPI GetSystemTime(LPSYSTEMTIME systemTime) {
    (void)embedded::EnterOperation("GetSystemTime");
    if (systemTime != nullptr) {
        SplitTicks(NowTicks(), *systemTime);
    }
}

void WINAPI GetLocalTime(LPSYSTEMTIME systemTime) {
    (void)embedded::EnterOperation("GetLocalTime");
    if (systemTime != nullptr) {
        FollowTimeZone();
        const std::uint64_t now = NowTicks();
        SplitTicks(now + static_cast<std::uint64_t>(OffsetAt(UnixSecondsOf(now)) *
                                                    embedded::TicksPerSecond),
                   *systemTime);
    }
}
