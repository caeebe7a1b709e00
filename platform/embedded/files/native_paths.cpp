#include "platform/embedded/files/native_paths.h"

#include <cctype>
#include <sys/stat.h>
#include <unordered_map>
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

// A folder's names by their letter-case-folded form, as last listed. A lookup of a name that
// is not there must look at every name of the folder; the listing makes that one look per
// change of the folder instead of one per lookup, so saving many files into one folder does
// not grow with the square of their number.
struct FolderListing {
    timespec modified{};
    ino_t inode = 0;
    dev_t device = 0;
    std::unordered_map<std::string, std::string> spellings;
};

std::mutex& ListingLock() {
    static std::mutex lock;
    return lock;
}

std::unordered_map<std::string, FolderListing>& Listings() {
    static std::unordered_map<std::string, FolderListing> listings;
    return listings;
}

// Bounds the listings kept, so that a run over many folders cannot grow them without end.
constexpr std::size_t kMostListings = 256;

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

bool SameState(const FolderListing& listing, const struct stat& status) {
    return listing.inode == status.st_ino && listing.device == status.st_dev &&
           listing.modified.tv_sec == status.st_mtim.tv_sec &&
           listing.modified.tv_nsec == status.st_mtim.tv_nsec;
}

void Remember(FolderListing& listing, const struct stat& status) {
    listing.modified = status.st_mtim;
    listing.inode = status.st_ino;
    listing.device = status.st_dev;
}

// The element as it is spelled on disk when one exists under `folder` in another letter case.
std::string ExistingSpelling(const fs::path& folder, const std::string& element) {
    std::error_code error;
    if (fs::exists(folder / element, error)) {
        return element;
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        return element;
    }
    std::lock_guard guard(ListingLock());
    auto& listings = Listings();
    auto found = listings.find(folder.string());
    if (found == listings.end() || !SameState(found->second, status)) {
        if (found == listings.end() && listings.size() >= kMostListings) {
            listings.clear();
        }
        FolderListing listing;
        Remember(listing, status);
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const std::string name = it->path().filename().string();
            listing.spellings.emplace(Folded(name), name);
        }
        if (error) {
            return element;
        }
        found = listings.insert_or_assign(folder.string(), std::move(listing)).first;
    }
    auto spelling = found->second.spellings.find(Folded(element));
    return spelling == found->second.spellings.end() ? element : spelling->second;
}

} // namespace

void NoteNameAdded(const std::string& nativePath) {
    const fs::path path(nativePath);
    const fs::path folder = path.parent_path();
    struct stat status {};
    std::lock_guard guard(ListingLock());
    auto found = Listings().find(folder.string());
    if (found == Listings().end()) {
        return;
    }
    if (::stat(folder.c_str(), &status) != 0) {
        Listings().erase(found);
        return;
    }
    found->second.spellings.emplace(Folded(path.filename().string()), path.filename().string());
    Remember(found->second, status);
}

void MapDrive(char letter, const std::string& nativeFolder) {
    std::lock_guard guard(DriveLock());
    Drives()[DriveKey(letter)] = nativeFolder;
}

void UnmapDrive(char letter) {
    std::lock_guard guard(DriveLock());
    Drives().erase(DriveKey(letter));
}

void ResetDriveMap() {
    std::lock_guard guard(DriveLock());
    Drives() = {{'Z', "/"}};
}

std::optional<std::string> ToNativePath(std::string_view windowsPath) {
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

    // The leading part that exists as it is spelled needs no look-up of its letter case: one
    // stat of the whole path serves the common case of a path that exists, instead of one per
    // element.
    fs::path native(root.empty() ? "/" : root);
    fs::path probe = native;
    for (const std::string& element : kept) {
        probe /= element;
    }
    std::size_t exact = kept.size();
    struct stat status {};
    while (exact > 0 && ::stat(probe.c_str(), &status) != 0) {
        probe = probe.parent_path();
        --exact;
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        native /= i < exact ? kept[i] : ExistingSpelling(native, kept[i]);
    }
    std::string result = native.string();
    if (!rest.empty() && IsSeparator(rest.back()) && !kept.empty()) {
        result.push_back('/');
    }
    return result;
}

std::optional<std::string> ToWindowsPath(const std::string& nativePath) {
    std::lock_guard guard(DriveLock());
    const std::map<char, std::string>::value_type* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& drive : Drives()) {
        std::string folder = drive.second;
        while (folder.size() > 1 && folder.back() == '/') {
            folder.pop_back();
        }
        const bool isRoot = folder == "/";
        const bool under = isRoot || nativePath == folder ||
                           (nativePath.compare(0, folder.size(), folder) == 0 &&
                            nativePath.size() > folder.size() && nativePath[folder.size()] == '/');
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
    std::string_view tail(nativePath);
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
