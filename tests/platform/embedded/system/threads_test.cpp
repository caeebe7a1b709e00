#include "platform/win32_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(ThreadsTest, EachThreadHasItsOwnStableNonZeroId) {
    const DWORD mine = GetCurrentThreadId();
    EXPECT_NE(mine, 0u);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD other = 0;
    std::thread([&other] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, mine);
}

TEST(ThreadsTest, TheOwnerMayEnterAgainWhileAnotherThreadWaits) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section); // the owner enters again without waiting

    std::atomic<bool> otherInside{false};
    std::thread other([&] {
        EnterCriticalSection(&section);
        otherInside = true;
        LeaveCriticalSection(&section);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    LeaveCriticalSection(&section);
    EXPECT_FALSE(otherInside) << "still held once";
    LeaveCriticalSection(&section);
    other.join();
    EXPECT_TRUE(otherInside);
    DeleteCriticalSection(&section);
}

} // namespace
