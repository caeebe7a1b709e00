#include "cli/selection_paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>

namespace cli {
namespace {

namespace fs = std::filesystem;

bool IsMsgFile(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".msg";
}

// The path below `top`, or nothing when it lies outside.
std::optional<fs::path> Below(const fs::path& top, const fs::path& path) {
    fs::path relative = path.lexically_relative(top);
    if (relative.empty() || *relative.begin() == "..") {
        return std::nullopt;
    }
    return relative;
}

} // namespace

SelectionPaths CollectMessages(const std::string& storeFolder,
                               const std::vector<std::string>& paths, bool recursive) {
    SelectionPaths selection;
    std::error_code error;
    const fs::path top = fs::canonical(storeFolder, error);
    if (error || !fs::is_directory(top)) {
        selection.error = "the store folder " + storeFolder + " is not a folder";
        return selection;
    }
    for (const std::string& given : paths) {
        const fs::path path = fs::canonical(given, error);
        if (error) {
            selection.error = given + ": no such file or folder";
            return selection;
        }
        if (path != top && !Below(top, path)) {
            selection.error = given + " is not inside the store folder " + storeFolder;
            return selection;
        }
        if (fs::is_regular_file(path)) {
            if (!IsMsgFile(path)) {
                selection.error = given + " is not a .msg file";
                return selection;
            }
            selection.messages.push_back(Below(top, path)->generic_string());
            continue;
        }
        std::vector<std::string> found;
        auto take = [&](const fs::directory_entry& entry) {
            if (entry.is_regular_file() && IsMsgFile(entry.path())) {
                found.push_back(Below(top, entry.path())->generic_string());
            }
        };
        if (recursive) {
            for (const auto& entry : fs::recursive_directory_iterator(path)) {
                take(entry);
            }
        } else {
            for (const auto& entry : fs::directory_iterator(path)) {
                take(entry);
            }
        }
        std::sort(found.begin(), found.end());
        selection.messages.insert(selection.messages.end(), found.begin(), found.end());
    }
    return selection;
}

} // namespace cli
