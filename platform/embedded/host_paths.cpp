#include "platform/embedded/host_paths.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

namespace embedded {
namespace {

namespace fs = std::filesystem;

std::mutex& DriveLock() {
    static std::mutex lock;
    return lock;
}

std::map<char, std::string>& Drives() {
    static std::map<char, std::string> drives{{'Z', "/"}};
    return drives;
}

char DriveKey(char letter) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> SplitElements(std::string_view path) {
    std::vector<std::string> elements;
    std::string current;
    for (char c : path) {
        if (IsSeparator(c)) {
            if (!current.empty()) {
                elements.push_back(current);
                current.clear();
            }
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) {
        elements.push_back(current);
    }
    return elements;
}

// The element as it is spelled on disk when one exists under `folder` in another letter case.
std::string ExistingSpelling(const fs::path& folder, const std::string& element) {
    std::error_code error;
    if (fs::exists(folder / element, error)) {
        return element;
    }
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (SameNameIgnoringCase(name, element)) {
            return name;
        }
    }
    return element;
}

} // namespace

void MapDrive(char letter, const std::string& hostFolder) {
    std::lock_guard guard(DriveLock());
    Drives()[DriveKey(letter)] = hostFolder;
}

void UnmapDrive(char letter) {
    std::lock_guard guard(DriveLock());
    Drives().erase(DriveKey(letter));
}

void ResetDriveMap() {
    std::lock_guard guard(DriveLock());
    Drives() = {{'Z', "/"}};
}

std::optional<std::string> ToHostPath(std::string_view windowsPath) {
    std::string root;
    std::string_view rest = windowsPath;
    if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
        std::lock_guard guard(DriveLock());
        auto drive = Drives().find(DriveKey(rest[0]));
        if (drive == Drives().end()) {
            return std::nullopt;
        }
        root = drive->second;
        rest.remove_prefix(2);
    } else if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1])) {
        return std::nullopt; // a network share
    } else if (!rest.empty() && IsSeparator(rest[0])) {
        std::lock_guard guard(DriveLock());
        auto drive = Drives().find('Z');
        if (drive == Drives().end()) {
            return std::nullopt;
        }
        root = drive->second;
    } else {
        std::error_code error;
        root = fs::current_path(error).string();
        if (error) {
            return std::nullopt;
        }
    }

    std::vector<std::string> kept;
    for (const std::string& element : SplitElements(rest)) {
        if (element == ".") {
            continue;
        }
        if (element == "..") {
            if (!kept.empty()) {
                kept.pop_back();
            }
            continue;
        }
        kept.push_back(element);
    }

    fs::path host(root.empty() ? "/" : root);
    for (const std::string& element : kept) {
        host /= ExistingSpelling(host, element);
    }
    std::string result = host.string();
    if (!rest.empty() && IsSeparator(rest.back()) && !kept.empty()) {
        result.push_back('/');
    }
    return result;
}

std::optional<std::string> ToWindowsPath(const std::string& hostPath) {
    std::lock_guard guard(DriveLock());
    const std::map<char, std::string>::value_type* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& drive : Drives()) {
        std::string folder = drive.second;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        const bool isRoot = folder == "/";
        const bool under = isRoot || hostPath == folder ||
                           (hostPath.compare(0, folder.size(), folder) == 0 &&
                            hostPath.size() > folder.size() && hostPath[folder.size()] == '/');
        const std::size_t length = isRoot ? 0 : folder.size();
        if (under && (best == nullptr || length > bestLength)) {
            best = &drive;
            bestLength = length;
        }
    }
    if (best == nullptr) {
        return std::nullopt;
    }
    std::string windows{best->first, ':'};
    std::string_view tail(hostPath);
    tail.remove_prefix(bestLength);
    if (tail.empty() || tail.front() != '/') {
        windows.push_back('\\');
    }
    for (char c : tail) {
        windows.push_back(c == '/' ? '\\' : c);
    }
    return windows;
}

} // namespace embedded
