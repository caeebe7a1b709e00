#include "tests/support/small_disk.h"

#include <sys/mount.h>

namespace testing_support {

SmallDisk::SmallDisk(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    mounted_ = ::mount("tmpfs", folder_.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        ::umount2(folder_.path().c_str(), MNT_DETACH);
    }
}

} // namespace testing_support
