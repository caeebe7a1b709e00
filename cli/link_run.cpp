#include "cli/link_run.h"

#include "cli/link_agent.h"
#include "cli/module_commands.h"
#include "cli/module_session.h"
#include "cli/selection_paths.h"
#include "host/extension_entry.h"
#include "platform/embedded/client/extension_host.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace cli {
namespace {

std::string ResourceString(HINSTANCE instance, UINT id) {
    char text[256] = "";
    LoadStringA(instance, id, text, sizeof text);
    return text;
}

UINT MenuItemOf(LinkCommand command) {
    switch (command) {
    case LinkCommand::UpdateLinks:
        return resource_ids::kBatchUpdateMenuItem;
    case LinkCommand::DisplayLinks:
        return resource_ids::kDisplayLinksMenuItem;
    default:
        return resource_ids::kReattachMenuItem;
    }
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

// The lines of a Link Info text: "display name -> path".
std::vector<std::pair<std::string, std::string>> LinkLines(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> links;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        const std::size_t arrow = line.find(" -> ");
        if (arrow != std::string::npos) {
            links.push_back({line.substr(0, arrow), line.substr(arrow + 4)});
        }
        start = end + 2;
    }
    return links;
}

bool FileExists(const std::string& windowsPath) {
    const std::optional<std::string> native = embedded::ToNativePath(windowsPath);
    std::error_code error;
    return native && std::filesystem::exists(*native, error);
}

void PrintLinkInfo(const LinkAgent& agent, const std::vector<std::string>& messages, bool json,
                   HINSTANCE instance) {
    const std::string noLinks = ResourceString(instance, resource_ids::kNoLinks);
    if (!json) {
        for (std::size_t i = 0; i < agent.LinkInfo().size(); ++i) {
            const ShownLinks& shown = agent.LinkInfo()[i];
            std::cout << (i < messages.size() ? messages[i] : std::string()) << ": "
                      << shown.subject << "\n";
            for (const auto& [name, path] : LinkLines(shown.text)) {
                std::cout << "  " << name << " -> " << path << "\n";
            }
            if (shown.text == noLinks) {
                std::cout << "  " << noLinks << "\n";
            }
        }
        return;
    }
    std::cout << "[";
    bool first = true;
    for (std::size_t i = 0; i < agent.LinkInfo().size(); ++i) {
        const ShownLinks& shown = agent.LinkInfo()[i];
        for (const auto& [name, path] : LinkLines(shown.text)) {
            std::cout << (first ? "\n" : ",\n") << "  {\"message\": "
                      << JsonText(i < messages.size() ? messages[i] : std::string())
                      << ", \"subject\": " << JsonText(shown.subject)
                      << ", \"displayName\": " << JsonText(name) << ", \"path\": " << JsonText(path)
                      << ", \"exists\": " << (FileExists(path) ? "true" : "false") << "}";
            first = false;
        }
    }
    std::cout << (first ? "]\n" : "\n]\n");
}

} // namespace

int RunLinkCommand(const LinkRequest& request) {
    SelectionPaths selection =
        CollectMessages(request.storeFolder, request.paths, request.recursive);
    if (!selection.error.empty()) {
        std::cerr << "filvex: " << selection.error << "\n";
        return 2;
    }
    if (request.searchFolder && !std::filesystem::is_directory(*request.searchFolder)) {
        std::cerr << "filvex: --search " << *request.searchFolder << " is no folder\n";
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
    LoadedFilvex module;
    LinkAgent agent(request, interactive);
    AgentAtTheScreen atTheScreen(agent);
    ComPtr<IMAPISession> session(store.OpenSession());
    embedded::ExtensionHost host(session.Get(), "Inbox - Filvex");
    host.Select(messages);
    // A folder after the last message: the walk asks for it only when every message went well.
    host.SelectFolderAt(messages.size(), store.TopOfStore());
    if (!host.Load(CreateMailExtension, EECONTEXT_VIEWER)) {
        std::cerr << "filvex: the module did not install itself in the viewer\n";
        return 1;
    }
    const UINT command = ModuleMenuCommand(host, MenuItemOf(request.command));
    if (command == 0) {
        std::cerr << "filvex: the module put no such command in the menu\n";
        return 1;
    }
    host.DoCommand(command);
    host.Unload();

    if (request.command == LinkCommand::UpdateLinks && !agent.UpdateConfirmed()) {
        std::cerr << "filvex: the links were left as they were\n";
        return 2;
    }
    for (const std::string& summary : agent.Summaries()) {
        std::string line = summary;
        for (std::size_t at; (at = line.find("\r\n")) != std::string::npos;) {
            line.replace(at, 2, "\n");
        }
        std::cout << line << "\n";
    }
    if (request.command == LinkCommand::DisplayLinks) {
        PrintLinkInfo(agent, selection.messages, request.json, module.instance());
    }
    const std::optional<ULONG> lastAsked = host.LastItemAsked();
    if (!lastAsked) {
        std::cerr << "filvex: the command did not start\n";
        return 1;
    }
    if (*lastAsked < messages.size()) {
        std::cerr << "filvex: stopped at message " << selection.messages[*lastAsked] << "\n";
        return 1;
    }
    return 0;
}

} // namespace cli
