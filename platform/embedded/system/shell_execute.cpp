// ShellExecuteA: the "open" verb for files, folders and web addresses, and programs started
// with their parameters, as the person at the screen (the user agent) allows.
#include "platform/shell_execute.h"

#include "platform/embedded/system/command_line.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/trace/run_watch.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// Any value above 32 means started; the platform gives no handle to the program.
constexpr int kStarted = 42;

HINSTANCE Answer(int value) {
    return reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(value));
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsProgram(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> FindOnSearchPath(const std::string& name) {
    const char* searchPath = std::getenv("PATH");
    std::string folders = searchPath == nullptr ? "/usr/bin:/bin" : searchPath;
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && IsProgram(folder + "/" + name)) {
            return folder + "/" + name;
        }
        start = end + 1;
    }
    return std::nullopt;
}

bool IsDrivePath(const std::string& text) {
    return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) &&
           text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

bool IsWebAddress(const std::string& text) {
    return strncasecmp(text.c_str(), "http://", 7) == 0 ||
           strncasecmp(text.c_str(), "https://", 8) == 0;
}

// A parameter naming a file on a mapped drive reaches the program as the native path.
std::string NativeArgument(const std::string& argument) {
    if (IsDrivePath(argument)) {
        if (auto host = embedded::ToNativePath(argument)) {
            return *host;
        }
    }
    return argument;
}

// The launch described for the agent, or the ShellExecuteA failure value.
int Describe(embedded::LaunchRequest& launch) {
    if (IsWebAddress(launch.file)) {
        // A web page opens in the desktop's browser, as the shell opens it on the platform.
        std::string opener = FindOnSearchPath("xdg-open").value_or("xdg-open");
        launch.program = opener;
        launch.arguments = {opener, launch.file};
        return kStarted;
    }
    std::optional<std::string> host;
    if (launch.file.find_first_of(":\\/") == std::string::npos) {
        host = FindOnSearchPath(launch.file);
    } else {
        host = embedded::ToNativePath(launch.file);
    }
    if (!host) {
        return SE_ERR_FNF;
    }
    struct stat info {};
    if (stat(host->c_str(), &info) != 0) {
        std::size_t slash = host->find_last_of('/');
        bool folderThere = slash == std::string::npos || IsFolder(host->substr(0, slash + 1));
        return folderThere ? SE_ERR_FNF : SE_ERR_PNF;
    }
    if (!launch.directory.empty()) {
        auto folder = embedded::ToNativePath(launch.directory);
        if (!folder || !IsFolder(*folder)) {
            return SE_ERR_PNF;
        }
        launch.workingFolder = *folder;
    }
    if (IsProgram(*host)) {
        launch.program = *host;
        launch.arguments.push_back(*host);
        for (const std::string& argument : embedded::SplitCommandLine(launch.parameters)) {
            launch.arguments.push_back(NativeArgument(argument));
        }
        return kStarted;
    }
    // A folder or a document opens in the program the desktop has for it.
    // Without it, the agent still sees what would open; nothing can start.
    std::string opener = FindOnSearchPath("xdg-open").value_or("xdg-open");
    launch.program = opener;
    launch.arguments = {opener, *host};
    return kStarted;
}

int Start(const embedded::LaunchRequest& launch) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return SE_ERR_OOM;
    }
    if (!launch.workingFolder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, launch.workingFolder.c_str());
    }
    std::vector<char*> argv;
    for (const std::string& argument : launch.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    // Started directly, never through a shell, so that no character of a name is special.
    int error =
        posix_spawn(&child, launch.program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        return error == ENOMEM ? SE_ERR_OOM : error == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_FNF;
    }
    // The caller does not wait for the program; its end is still collected.
    std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    return kStarted;
}

} // namespace

namespace {

// What the caller sees, and what a watcher of the run is told when nothing started.
HINSTANCE Answered(LPCSTR file, LPCSTR parameters, int value) {
    if (value <= 32) {
        if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
            watcher->LaunchFailed(file == nullptr ? "" : file,
                                  parameters == nullptr ? "" : parameters, value);
        }
    }
    return Answer(value);
}

} // namespace

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, INT show) {
    HRESULT hr = embedded::EnterOperation("ShellExecuteA", static_cast<std::uint32_t>(show));
    if (FAILED(hr)) {
        DWORD code = embedded::Win32CodeOf(hr);
        SetLastError(code);
        return Answered(file, parameters,
                        code <= 32 ? static_cast<int>(code) : SE_ERR_ACCESSDENIED);
    }
    if (verb != nullptr && *verb != '\0' && strcasecmp(verb, "open") != 0) {
        return Answered(file, parameters, SE_ERR_NOASSOC);
    }
    if (file == nullptr || *file == '\0') {
        return Answered(file, parameters, SE_ERR_FNF);
    }
    embedded::LaunchRequest launch;
    launch.owner = owner;
    launch.verb = verb == nullptr ? "" : verb;
    launch.file = file;
    launch.parameters = parameters == nullptr ? "" : parameters;
    launch.directory = directory == nullptr ? "" : directory;
    launch.show = show;
    int described = Describe(launch);
    if (described <= 32) {
        return Answered(file, parameters, described);
    }
    embedded::UserAgent* agent = embedded::CurrentUserAgent();
    if (agent != nullptr && agent->InterceptLaunch(launch)) {
        return Answer(kStarted);
    }
    if (launch.program.find('/') == std::string::npos) {
        return Answered(file, parameters, SE_ERR_NOASSOC);
    }
    return Answered(file, parameters, Start(launch));
}
