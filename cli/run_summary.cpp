#include "cli/run_summary.h"

#include <filesystem>
#include <sys/stat.h>
#include <time.h>

namespace cli {

std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

WrittenFiles FilesWrittenSince(const std::string& nativeFolder, std::int64_t sinceNanoseconds) {
    WrittenFiles written;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(
             nativeFolder, std::filesystem::directory_options::skip_permission_denied, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        struct stat status {};
        if (!it->is_regular_file() || stat(it->path().c_str(), &status) != 0) {
            continue;
        }
        const std::int64_t changed =
            static_cast<std::int64_t>(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
        if (changed >= sinceNanoseconds) {
            ++written.files;
            written.bytes += static_cast<std::uint64_t>(status.st_size);
        }
    }
    return written;
}

} // namespace cli
