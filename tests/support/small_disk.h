// A small file system of its own for one test (a tmpfs of a few hundred KiB), to see what a
// full disk does. Mounting needs the right to mount; where it is missing the test is skipped.
#pragma once

#include "tests/support/temp_folder.h"

#include <cstddef>
#include <string>

namespace testing_support {

class SmallDisk {
  public:
    explicit SmallDisk(std::size_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    const std::string& path() const { return folder_.path(); }

  private:
    TempFolder folder_;
    bool mounted_ = false;
};

} // namespace testing_support

// Skips the test when the disk could not be mounted.
#define SKIP_UNLESS_MOUNTED(disk)                                                                  \
    if (!(disk).Mounted()) {                                                                       \
        GTEST_SKIP() << "no right to mount a small file system here";                              \
    }
