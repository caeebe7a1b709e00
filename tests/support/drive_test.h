// A test whose drive C: is its own temporary folder, with the platform's faults and call log
// cleared before and after it.
#pragma once

#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace testing_support {

class DriveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        embedded::MapDrive('C', temp.path());
    }
    void TearDown() override {
        embedded::ResetDriveMap();
        embedded::ResetPlatformTrace();
    }

    TempFolder temp;
};

} // namespace testing_support
