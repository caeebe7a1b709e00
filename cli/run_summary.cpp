#include "cli/run_summary.h"

#include "platform/embedded/files/native_paths.h"
#include "platform/mapi_types.h"
#include "platform/shell_execute.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace cli {
namespace {

// The Windows limit on a path, terminator included, that every saved file lives within.
constexpr std::size_t kPathCapacity = 260;

std::string Normal(const std::string& nativePath) {
    return std::filesystem::path(nativePath).lexically_normal().string();
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string MethodName(LONG method) {
    switch (static_cast<ULONG>(method)) {
    case ATTACH_BY_REFERENCE:
    case ATTACH_BY_REF_RESOLVE:
    case ATTACH_BY_REF_ONLY:
        return "it is a link to a file (by reference), which is not saved";
    case ATTACH_OLE:
        return "it is an OLE object, which is not saved";
    default:
        return "its attachment method " + std::to_string(method) + " is not one that is saved";
    }
}

std::string LaunchProblem(int code) {
    switch (code) {
    case SE_ERR_FNF:
        return "the program was not found";
    case SE_ERR_PNF:
        return "the program's folder was not found";
    case SE_ERR_ACCESSDENIED:
        return "access to the program was denied";
    case SE_ERR_OOM:
        return "there was not enough memory";
    case SE_ERR_NOASSOC:
        return "no program opens such a file";
    default:
        return "error " + std::to_string(code);
    }
}

bool ClimbsOut(const std::string& name) {
    std::string element;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '/' || name[i] == '\\') {
            if (element == "..") {
                return true;
            }
            element.clear();
        } else {
            element.push_back(name[i]);
        }
    }
    return false;
}

} // namespace

RunSummary::RunSummary(std::function<void(const std::string&)> say, std::set<std::string> excluded)
    : say(std::move(say)) {
    for (const std::string& path : excluded) {
        this->excluded.insert(Normal(path));
    }
    embedded::SetRunWatcher(this);
}

RunSummary::~RunSummary() {
    embedded::SetRunWatcher(nullptr);
}

std::uint64_t RunSummary::Bytes() const {
    std::uint64_t total = 0;
    for (const auto& [path, bytes] : written) {
        total += bytes;
    }
    return total;
}

void RunSummary::MessageBegins(const std::string& name) {
    SettleAttachment();
    message = name;
    lastFailure.clear();
}

void RunSummary::RunEnds() {
    SettleAttachment();
    for (const std::string& archive : archivesRead) {
        CheckUnzipped(archive);
    }
    archivesRead.clear();
}

void RunSummary::RunStopped() {
    open.reset();
}

void RunSummary::FileWritten(const std::string& nativePath) {
    const std::string path = Normal(nativePath);
    if (excluded.count(path) != 0) {
        return;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return;
    }
    written[path] = static_cast<std::uint64_t>(status.st_size);
    openGotFile = true;
}

void RunSummary::FileRemoved(const std::string& nativePath) {
    written.erase(Normal(nativePath));
}

void RunSummary::FileMoved(const std::string& from, const std::string& to) {
    auto found = written.find(Normal(from));
    if (found != written.end()) {
        const std::uint64_t bytes = found->second;
        written.erase(found);
        written[Normal(to)] = bytes;
    }
}

void RunSummary::ArchiveRead(const std::string& nativePath) {
    const std::string path = Normal(nativePath);
    if (std::find(archivesRead.begin(), archivesRead.end(), path) == archivesRead.end()) {
        archivesRead.push_back(path);
    }
}

void RunSummary::AttachmentOpened(const embedded::OpenedAttachment& attachment) {
    SettleAttachment();
    // An embedded message is saved, or not, after its own attachments: it is not followed.
    if (static_cast<ULONG>(attachment.method) != ATTACH_EMBEDDED_MSG) {
        open = attachment;
        openGotFile = false;
    }
}

void RunSummary::LaunchFailed(const std::string& file, const std::string& parameters, int code) {
    ++failedSteps;
    // The saved file as the person knows it: its native path, not the module's quoted one.
    std::string saved = parameters;
    if (saved.size() >= 2 && saved.front() == '"' && saved.back() == '"') {
        saved = saved.substr(1, saved.size() - 2);
    }
    saved = embedded::ToNativePath(saved).value_or(saved);
    say("the command \"" + file + "\" was not started for " + saved + ": " + LaunchProblem(code) +
        " (--exec takes a program, not a command line)");
}

void RunSummary::CallFailed(const std::string& operation, const std::string& object,
                            const std::string& reason) {
    (void)operation;
    lastFailure = object + ": " + reason;
}

void RunSummary::SettleAttachment() {
    if (!open) {
        return;
    }
    const embedded::OpenedAttachment attachment = *open;
    open.reset();
    if (openGotFile) {
        return;
    }
    const std::string name = !attachment.longFileName.empty() ? attachment.longFileName
                             : !attachment.fileName.empty()   ? attachment.fileName
                                                              : attachment.displayName;
    std::string why;
    if (static_cast<ULONG>(attachment.method) != ATTACH_BY_VALUE) {
        why = MethodName(attachment.method);
    } else if (attachment.longFileName.empty() && attachment.fileName.empty()) {
        why = "it has no file name";
    } else if (!nameFilter.empty() && Lower(name).find(Lower(nameFilter)) == std::string::npos) {
        why = "its name does not contain the filter text \"" + nameFilter + "\"";
    } else {
        why = "its name has nothing left that a file can be named";
    }
    ++passedOver;
    say("passed over an attachment" + (name.empty() ? std::string() : " \"" + name + "\"") +
        " of " + message + ": " + why);
}

void RunSummary::CheckUnzipped(const std::string& archive) {
    unzFile file = unzOpen64(archive.c_str());
    if (file == nullptr) {
        return; // no archive, or gone since: the unzip had nothing to give
    }
    const std::string folder = std::filesystem::path(archive).parent_path().string();
    bool stoppedBefore = false;
    for (int status = unzGoToFirstFile(file); status == UNZ_OK; status = unzGoToNextFile(file)) {
        char name[1024];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(file, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            break;
        }
        std::string entry = name;
        if (entry.empty() || entry.back() == '/' || entry.back() == '\\') {
            continue;
        }
        std::string relative = entry;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const std::string target = Normal(folder + "/" + relative);
        if (written.count(target) != 0) {
            continue;
        }
        std::string why;
        if (stoppedBefore) {
            why = "unzipping stopped at an earlier entry";
        } else if (ClimbsOut(entry)) {
            why = "its name leads out of the folder";
        } else if (folder.size() + 1 + entry.size() >= kPathCapacity) {
            why = "its path would be too long";
        } else if (!lastFailure.empty()) {
            why = lastFailure;
        } else {
            why = "it could not be read or written whole";
        }
        stoppedBefore = true;
        ++failedSteps;
        say("an entry \"" + entry + "\" of " + archive + " was not unzipped: " + why);
    }
    unzClose(file);
}

std::string HumanBytes(std::uint64_t bytes) {
    static const char* const units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + " bytes";
    }
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, value < 10 ? "%.1f %s" : "%.0f %s", value, units[unit]);
    return text;
}

} // namespace cli
