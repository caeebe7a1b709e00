#include "tests/support/temp_folder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "filvex-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void TempFolder::WriteFile(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path file = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

std::string TempFolder::ReadFile(const std::string& relative) const {
    std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool TempFolder::Exists(const std::string& relative) const {
    return std::filesystem::exists(std::filesystem::path(path_) / relative);
}

std::vector<std::string> TempFolder::Tree(const std::string& relative) const {
    std::vector<std::string> entries;
    const std::filesystem::path top = std::filesystem::path(path_) / relative;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(top, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        entries.push_back(std::filesystem::relative(it->path(), top).generic_string() +
                          (it->is_directory() ? "/" : ""));
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace testing_support
