// The messages a `filvex save` names: ".msg" files, and the ".msg" files of folders, each
// inside the store folder, as paths relative to it.
#pragma once

#include <string>
#include <vector>

namespace cli {

struct SelectionPaths {
    // Relative to the store folder, with "/", in the order the messages are saved.
    std::vector<std::string> messages;
    // Why a path was refused; empty when all were taken.
    std::string error;
};

// A folder gives its ".msg" files in name order (and, when `recursive`, those of its
// subfolders, all in the order of their paths).
SelectionPaths CollectMessages(const std::string& storeFolder,
                               const std::vector<std::string>& paths, bool recursive);

} // namespace cli
