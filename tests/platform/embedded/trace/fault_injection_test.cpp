#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"

#include <gtest/gtest.h>

namespace {

class FaultInjectionTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    void TearDown() override { embedded::ResetPlatformTrace(); }
};

TEST_F(FaultInjectionTest, OnlyTheChosenCallFails) {
    embedded::FailNthCall("OpenAttach", 2, E_ACCESSDENIED);
    EXPECT_EQ(embedded::EnterOperation("OpenAttach"), S_OK);
    EXPECT_EQ(embedded::EnterOperation("SaveChanges"), S_OK);
    EXPECT_EQ(embedded::EnterOperation("OpenAttach"), E_ACCESSDENIED);
    EXPECT_EQ(embedded::EnterOperation("OpenAttach"), S_OK);
}

TEST_F(FaultInjectionTest, EveryCallFailsUntilCleared) {
    embedded::FailEveryCall("CreateDirectoryA", E_FAIL);
    EXPECT_EQ(embedded::EnterOperation("CreateDirectoryA"), E_FAIL);
    EXPECT_EQ(embedded::EnterOperation("CreateDirectoryA"), E_FAIL);
    embedded::ClearFaults();
    EXPECT_EQ(embedded::EnterOperation("CreateDirectoryA"), S_OK);
}

TEST_F(FaultInjectionTest, LogKeepsOrderAndFlags) {
    embedded::EnterOperation("OpenEntry", 0x18);
    embedded::EnterOperation("SaveChanges", 2);
    embedded::EnterOperation("OpenEntry", 0x8);
    const auto opens = embedded::CallsOf("OpenEntry");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].flags, 0x18u);
    EXPECT_EQ(opens[1].flags, 0x8u);
    EXPECT_EQ(embedded::CallLog().size(), 3u);
}

TEST_F(FaultInjectionTest, LogTurnedOffRecordsNothingButFaultsStillApply) {
    embedded::SetCallLogEnabled(false);
    embedded::FailNthCall("OpenEntry", 1, E_FAIL);
    EXPECT_EQ(embedded::EnterOperation("OpenEntry"), E_FAIL);
    embedded::SetCallLogEnabled(true);
    EXPECT_TRUE(embedded::CallLog().empty());
}

TEST_F(FaultInjectionTest, Win32CodeComesFromTheResult) {
    EXPECT_EQ(embedded::Win32CodeOf(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)),
              ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(embedded::Win32CodeOf(E_FAIL), ERROR_ACCESS_DENIED);
}

} // namespace
