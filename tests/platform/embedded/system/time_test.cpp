#include "platform/embedded/trace/fault_injection.h"
#include "platform/win32_time.h"
#include "tests/support/scoped_environment.h"

#include <gtest/gtest.h>

namespace {

class TimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        environment.Set("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    testing_support::ScopedEnvironment environment;
};

FILETIME At(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    const SYSTEMTIME time{year, month, 0, day, hour, minute, 0, 0};
    FILETIME out{};
    EXPECT_TRUE(SystemTimeToFileTime(&time, &out));
    return out;
}

std::uint64_t Ticks(const FILETIME& t) {
    return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

TEST_F(TimeTest, LocalTimeFollowsTheRuleAtEachInstant) {
    // 2026: summer time from 29 March 01:00 UTC to 25 October 01:00 UTC.
    struct Case {
        const char* name;
        FILETIME utc;
        FILETIME local;
    };
    const Case cases[] = {
        {"winter", At(2026, 1, 15, 12, 0), At(2026, 1, 15, 13, 0)},
        {"just before spring change", At(2026, 3, 29, 0, 59), At(2026, 3, 29, 1, 59)},
        {"just after spring change", At(2026, 3, 29, 1, 0), At(2026, 3, 29, 3, 0)},
        {"summer", At(2026, 7, 1, 22, 30), At(2026, 7, 2, 0, 30)},
        {"just before autumn change", At(2026, 10, 25, 0, 30), At(2026, 10, 25, 2, 30)},
        {"just after autumn change", At(2026, 10, 25, 1, 30), At(2026, 10, 25, 2, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FILETIME local{};
        ASSERT_TRUE(FileTimeToLocalFileTime(&c.utc, &local));
        EXPECT_EQ(Ticks(local), Ticks(c.local));
    }
    // Back from local time, where the reading is unambiguous.
    for (const Case& c : {cases[0], cases[1], cases[2], cases[3]}) {
        SCOPED_TRACE(c.name);
        FILETIME utc{};
        ASSERT_TRUE(LocalFileTimeToFileTime(&c.local, &utc));
        EXPECT_EQ(Ticks(utc), Ticks(c.utc));
    }
}

TEST_F(TimeTest, ANamedZoneConvertsLikeItsRule) {
    environment.Set("TZ", "America/New_York");
    const FILETIME utc = At(2026, 7, 4, 16, 0);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(Ticks(local), Ticks(At(2026, 7, 4, 12, 0)));
}

TEST_F(TimeTest, CalendarFormRoundTripsWithDayOfWeek) {
    const SYSTEMTIME in{2024, 2, 3, 29, 23, 59, 58, 987}; // a leap day
    FILETIME file{};
    ASSERT_TRUE(SystemTimeToFileTime(&in, &file));
    SYSTEMTIME out{};
    ASSERT_TRUE(FileTimeToSystemTime(&file, &out));
    EXPECT_EQ(out.wYear, 2024);
    EXPECT_EQ(out.wMonth, 2);
    EXPECT_EQ(out.wDay, 29);
    EXPECT_EQ(out.wDayOfWeek, 4); // a Thursday
    EXPECT_EQ(out.wHour, 23);
    EXPECT_EQ(out.wMinute, 59);
    EXPECT_EQ(out.wSecond, 58);
    EXPECT_EQ(out.wMilliseconds, 987);

    const FILETIME zero{0, 0};
    ASSERT_TRUE(FileTimeToSystemTime(&zero, &out));
    EXPECT_EQ(out.wYear, 1601);
    EXPECT_EQ(out.wDayOfWeek, 1); // 1601-01-01 was a Monday
}

TEST_F(TimeTest, InvalidFieldsAreRefused) {
    struct Case {
        const char* name;
        SYSTEMTIME time;
    };
    const Case cases[] = {
        {"year before 1601", {1600, 12, 0, 31, 0, 0, 0, 0}},
        {"month 13", {2026, 13, 0, 1, 0, 0, 0, 0}},
        {"29 February of a common year", {2026, 2, 0, 29, 0, 0, 0, 0}},
        {"day 0", {2026, 1, 0, 0, 0, 0, 0, 0}},
        {"hour 24", {2026, 1, 0, 1, 24, 0, 0, 0}},
        {"second 60", {2026, 1, 0, 1, 0, 0, 60, 0}},
        {"millisecond 1000", {2026, 1, 0, 1, 0, 0, 0, 1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FILETIME out{};
        SetLastError(0);
        EXPECT_FALSE(SystemTimeToFileTime(&c.time, &out));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    const FILETIME tooLarge{0, 0x80000000};
    SYSTEMTIME out{};
    EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &out));
}

TEST_F(TimeTest, ClockIsNow) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    SYSTEMTIME calendar{};
    ASSERT_TRUE(FileTimeToSystemTime(&now, &calendar));
    EXPECT_GE(calendar.wYear, 2024);
}

} // namespace
