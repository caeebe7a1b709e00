// What a save run left below its target folder: the files it wrote and their bytes, told
// from the files that were there before by their change time.
#pragma once

#include <cstdint>
#include <string>

namespace cli {

struct WrittenFiles {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// The files below `nativeFolder` changed at or after `sinceNanoseconds` (the run's start, in
// nanoseconds of the system clock): written, replaced, or given new times by the run.
WrittenFiles FilesWrittenSince(const std::string& nativeFolder, std::int64_t sinceNanoseconds);

// Now, in nanoseconds of the system clock that file change times use.
std::int64_t NowNanoseconds();

} // namespace cli
