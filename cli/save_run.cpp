#include "cli/save_run.h"

#include "cli/module_commands.h"
#include "cli/run_summary.h"
#include "cli/selection_paths.h"
#include "cli/terminal_agent.h"
#include "host/extension_entry.h"
#include "host/module_lifetime.h"
#include "options/registry_names.h"
#include "resources/resource_ids.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/client/extension_host.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/ui/user_agent.h"
#include "platform/win32_registry.h"
#include "resources/filvex_resources.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace cli {
namespace {

// The module as the loader holds it, for one run.
class LoadedFilvex {
  public:
    LoadedFilvex() : instance(embedded::LoadModule(FilvexResources())) {
        FilvexAttachModule(instance);
    }
    ~LoadedFilvex() {
        FilvexDetachModule();
        embedded::UnloadModule(instance);
    }
    LoadedFilvex(const LoadedFilvex&) = delete;
    LoadedFilvex& operator=(const LoadedFilvex&) = delete;

  private:
    HINSTANCE instance;
};

class AgentAtTheScreen {
  public:
    explicit AgentAtTheScreen(embedded::UserAgent& agent) { embedded::SetUserAgent(&agent); }
    ~AgentAtTheScreen() { embedded::SetUserAgent(nullptr); }
    AgentAtTheScreen(const AgentAtTheScreen&) = delete;
    AgentAtTheScreen& operator=(const AgentAtTheScreen&) = delete;
};

// The target folder the options in the registry name, for a run without the dialog.
std::string StoredTargetFolder() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kOptionsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            continue;
        }
        char folder[260] = "";
        DWORD size = sizeof(folder) - 1;
        DWORD type = 0;
        LONG status = RegQueryValueExA(key, registry_names::kTargetFolder, nullptr, &type,
                                       reinterpret_cast<LPBYTE>(folder), &size);
        RegCloseKey(key);
        return status == ERROR_SUCCESS && type == REG_SZ ? std::string(folder) : std::string();
    }
    return {};
}

// Where the run saves: the folder of the dialog, else the stored one.
std::string TargetFolderOf(const TerminalAgent& agent) {
    return agent.TargetFolder().empty() ? StoredTargetFolder() : agent.TargetFolder();
}

std::string JsonText(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

} // namespace

int RunSave(const SaveRequest& request) {
    SelectionPaths selection =
        CollectMessages(request.storeFolder, request.paths, request.recursive);
    if (!selection.error.empty()) {
        std::cerr << "filvex: " << selection.error << "\n";
        return 2;
    }
    const std::string storeFolder = std::filesystem::canonical(request.storeFolder).string();
    embedded::SetCallLogEnabled(false);
    embedded::MsgFolderStore store(storeFolder);
    std::vector<embedded::EntryId> messages;
    for (const std::string& relative : selection.messages) {
        messages.push_back(store.Message(relative));
    }

    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    const bool progress = isatty(STDERR_FILENO);
    LoadedFilvex module;
    TerminalAgent agent(request, interactive);
    AgentAtTheScreen atTheScreen(agent);
    ComPtr<IMAPISession> session(store.OpenSession());
    embedded::ExtensionHost host(session.Get(), "Inbox - Filvex");
    host.Select(messages);
    // A folder after the last message: the walk asks for it only when every message went well.
    host.SelectFolderAt(messages.size(), store.TopOfStore());
    const std::int64_t started = NowNanoseconds();
    if (progress) {
        // The files so far are counted from the disk, at most twice a second.
        std::int64_t lastCount = 0;
        WrittenFiles soFar;
        host.WatchItems([&](ULONG index, ULONG) {
            if (index >= messages.size()) {
                return;
            }
            const std::int64_t now = NowNanoseconds();
            if (now - lastCount > 500000000) {
                lastCount = now;
                if (auto folder = embedded::ToNativePath(TargetFolderOf(agent))) {
                    soFar = FilesWrittenSince(*folder, started);
                }
            }
            std::cerr << "\rmessage " << index + 1 << " of " << messages.size() << ", "
                      << soFar.files << " files, " << soFar.bytes
                      << " bytes: " << selection.messages[index] << "\x1b[K" << std::flush;
        });
    }
    if (!host.Load(CreateMailExtension, EECONTEXT_VIEWER)) {
        std::cerr << "filvex: the module did not install itself in the viewer\n";
        return 1;
    }
    const UINT saveCommand = ModuleMenuCommand(host, resource_ids::kSaveMenuItem);
    if (saveCommand == 0) {
        std::cerr << "filvex: the module put no Save Attachments command in the menu\n";
        return 1;
    }
    const auto clockStart = std::chrono::steady_clock::now();
    host.DoCommand(saveCommand);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
    host.Unload();
    if (progress && host.LastItemAsked()) {
        std::cerr << "\n";
    }

    if (agent.DialogShown() && !agent.Outcome().confirmed) {
        if (!agent.Outcome().problem.empty()) {
            std::cerr << "filvex: " << agent.Outcome().problem << "\n";
        }
        return 2;
    }
    const std::optional<ULONG> lastAsked = host.LastItemAsked();
    std::size_t done = messages.size();
    int status = 0;
    if (!lastAsked) {
        std::cerr << "filvex: the save did not start\n";
        done = 0;
        status = 1;
    } else if (*lastAsked < messages.size()) {
        std::cerr << "filvex: stopped at message " << selection.messages[*lastAsked] << "\n";
        done = *lastAsked;
        status = 1;
    }

    std::string folder = TargetFolderOf(agent);
    WrittenFiles written;
    if (auto nativeFolder = embedded::ToNativePath(folder)) {
        written = FilesWrittenSince(*nativeFolder, started);
        folder = *nativeFolder;
    }
    if (request.json) {
        std::cout << "{\"messages\": " << done << ", \"selected\": " << messages.size()
                  << ", \"files\": " << written.files << ", \"bytes\": " << written.bytes
                  << ", \"seconds\": " << seconds << ", \"folder\": " << JsonText(folder)
                  << ", \"stopped\": "
                  << (status == 1 && lastAsked ? JsonText(selection.messages[*lastAsked])
                                               : std::string("null"))
                  << "}\n";
    } else {
        std::printf("%zu of %zu messages, %llu files, %llu bytes in %.2f s\n", done,
                    messages.size(), static_cast<unsigned long long>(written.files),
                    static_cast<unsigned long long>(written.bytes), seconds);
    }
    return status;
}

} // namespace cli
