// The sample ".msg" files of other projects, read in place from the shared folder beside the
// repository; never copied into it. A test that needs them skips, saying where it looked,
// when they are not there.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace testing_support {

inline std::string SharedCorpusFolder() {
    return std::string(FILVEX_SHARED_DIR) + "/corpus/msg";
}

inline bool SharedCorpusHas(const std::string& name) {
    return access((SharedCorpusFolder() + "/" + name).c_str(), R_OK) == 0;
}

} // namespace testing_support

// Skips the test unless the corpus holds `name` (a file, or "." for the folder itself).
#define SKIP_WITHOUT_SHARED_CORPUS_FILE(name)                                                      \
    if (!testing_support::SharedCorpusHas(name))                                                   \
    GTEST_SKIP() << "needs " << (name)                                                             \
                 << " of the shared corpus of sample .msg files, not found in "                    \
                 << testing_support::SharedCorpusFolder()
