#include "cli/save_run.h"

#include "cli/module_session.h"
#include "cli/module_commands.h"
#include "cli/progress_bar.h"
#include "cli/run_settings.h"
#include "cli/run_summary.h"
#include "cli/stored_options.h"
#include "cli/selection_paths.h"
#include "cli/terminal_agent.h"
#include "host/extension_entry.h"
#include "host/module_lifetime.h"
#include "resources/resource_ids.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/client/extension_host.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/ui/user_agent.h"
#include "resources/filvex_resources.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <unistd.h>

namespace cli {
namespace {

// Where the run saves: the folder of the dialog, else the stored one.
std::string TargetFolderOf(const TerminalAgent& agent) {
    return agent.TargetFolder().empty() ? StoredTargetFolder() : agent.TargetFolder();
}

SettingOrigins OriginsOf(const SaveRequest& request) {
    SettingOrigins origins;
    origins.remove = request.remove.has_value();
    origins.links = request.links.has_value();
    origins.overwrite = request.overwrite.has_value();
    origins.zip = request.zip.has_value();
    origins.unzip = request.unzip.has_value();
    origins.command = request.exec.has_value();
    return origins;
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
    std::set<std::string> messageFiles;
    for (const std::string& relative : selection.messages) {
        messages.push_back(store.Message(relative));
        messageFiles.insert(storeFolder + "/" + relative);
    }

    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    ProgressBar bar(std::cerr, isatty(STDERR_FILENO), TerminalColumns(STDERR_FILENO));
    RunSummary summary([&bar](const std::string& line) { bar.Say("filvex: " + line); },
                       messageFiles);
    StoredTypeCheck typeCheck(
        [&bar](const std::string& line) { bar.Say("filvex: warning: " + line); });
    // What a run without the dialog takes, read before the run can change it.
    const RunSettings stored = StoredRunSettings();
    const SettingOrigins origins = OriginsOf(request);
    std::optional<RunSettings> settings;

    LoadedFilvex module;
    TerminalAgent agent(request, interactive);
    agent.ClearBeforeSpeaking(&bar);
    AgentAtTheScreen atTheScreen(agent);
    ComPtr<IMAPISession> session(store.OpenSession());
    embedded::ExtensionHost host(session.Get(), "Inbox - Filvex");
    host.Select(messages);
    // A folder after the last message: the walk asks for it only when every message went well.
    host.SelectFolderAt(messages.size(), store.TopOfStore());
    host.WatchItems([&](ULONG index, ULONG) {
        if (!settings) {
            // The dialog, when there was one, has ended: its settings are the run's.
            settings = agent.DialogShown() ? agent.Outcome().settings : stored;
            summary.SetNameFilter(settings->filter);
            bar.Say("filvex: " + SettingsLine(*settings, origins));
        }
        if (index < messages.size()) {
            summary.MessageBegins(selection.messages[index]);
        }
        bar.Show(std::min<std::size_t>(index, messages.size()), messages.size(), summary.Files(),
                 summary.Bytes());
    });
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

    if (agent.DialogShown() && !agent.Outcome().confirmed) {
        bar.Clear();
        if (!agent.Outcome().problem.empty()) {
            std::cerr << "filvex: " << agent.Outcome().problem << "\n";
        }
        return 2;
    }
    const std::optional<ULONG> lastAsked = host.LastItemAsked();
    std::size_t done = messages.size();
    int status = 0;
    std::string reason;
    if (!lastAsked || *lastAsked < messages.size()) {
        summary.RunStopped();
        reason = summary.LastFailure().empty() ? "the module gave no reason beyond its messages"
                                               : summary.LastFailure();
        status = 1;
    }
    summary.RunEnds();
    bar.Clear();
    if (!lastAsked) {
        std::cerr << "filvex: the save did not start: " << reason << "\n";
        done = 0;
    } else if (*lastAsked < messages.size()) {
        std::cerr << "filvex: stopped at message " << selection.messages[*lastAsked] << ": "
                  << reason << "\n";
        done = *lastAsked;
    }

    std::string folder = TargetFolderOf(agent);
    if (auto nativeFolder = embedded::ToNativePath(folder)) {
        folder = *nativeFolder;
    }
    if (request.json) {
        std::cout << "{\"messages\": " << done << ", \"selected\": " << messages.size()
                  << ", \"files\": " << summary.Files() << ", \"bytes\": " << summary.Bytes()
                  << ", \"passed_over\": " << summary.PassedOver()
                  << ", \"failed_steps\": " << summary.FailedSteps() << ", \"seconds\": " << seconds
                  << ", \"folder\": " << JsonText(folder) << ", \"settings\": "
                  << (settings ? SettingsJson(*settings, origins) : std::string("null"))
                  << ", \"stopped\": "
                  << (status == 1 && lastAsked ? JsonText(selection.messages[*lastAsked])
                                               : std::string("null"))
                  << ", \"reason\": " << (status == 1 ? JsonText(reason) : std::string("null"))
                  << "}\n";
    } else {
        std::printf("%zu of %zu messages, %llu files, %s in %.2f s", done, messages.size(),
                    static_cast<unsigned long long>(summary.Files()),
                    summary.Bytes() < 1024 ? (std::to_string(summary.Bytes()) + " bytes").c_str()
                                           : (HumanBytes(summary.Bytes()) + " (" +
                                              std::to_string(summary.Bytes()) + " bytes)")
                                                 .c_str(),
                    seconds);
        if (summary.PassedOver() > 0) {
            std::printf(", %llu passed over",
                        static_cast<unsigned long long>(summary.PassedOver()));
        }
        if (summary.FailedSteps() > 0) {
            std::printf(", %llu failed steps",
                        static_cast<unsigned long long>(summary.FailedSteps()));
        }
        std::printf("\n");
    }
    return status;
}

} // namespace cli
