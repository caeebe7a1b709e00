#include "cli/rule_command.h"

#include "cli/module_session.h"
#include "cli/progress_bar.h"
#include "cli/run_settings.h"
#include "cli/run_summary.h"
#include "cli/selection_paths.h"
#include "cli/terminal_agent.h"
#include "host/extension_entry.h"
#include "host/module_lifetime.h"
#include "platform/embedded/client/rule_client.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/ui/user_agent.h"
#include "platform/win32_ui.h"
#include "resources/filvex_resources.h"
#include "resources/resource_ids.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <unistd.h>

namespace cli {
namespace {

// The person at the rules editor: the terminal's, except that --no cancels the dialog.
class EditorUser final : public embedded::UserAgent {
  public:
    EditorUser(TerminalAgent& terminal, bool cancel) : terminal(terminal), cancel(cancel) {
        embedded::SetUserAgent(this);
    }
    ~EditorUser() override { embedded::SetUserAgent(nullptr); }
    EditorUser(const EditorUser&) = delete;
    EditorUser& operator=(const EditorUser&) = delete;

    bool Cancelled() const { return cancelled; }

    int AnswerMessageBox(const embedded::MessageBoxRequest& box) override {
        return terminal.AnswerMessageBox(box);
    }
    void WorkDialog(embedded::DialogView& dialog) override {
        if (cancel && dialog.DialogId() == resource_ids::kSaveAttachmentsDialog) {
            cancelled = dialog.Click(IDCANCEL);
            return;
        }
        terminal.WorkDialog(dialog);
    }
    std::optional<std::string> AnswerFileDialog(const embedded::FileDialogRequest& d) override {
        return terminal.AnswerFileDialog(d);
    }
    std::optional<std::string>
    AnswerFolderBrowser(const embedded::FolderBrowserRequest& browser) override {
        return terminal.AnswerFolderBrowser(browser);
    }
    bool InterceptLaunch(const embedded::LaunchRequest& launch) override {
        return terminal.InterceptLaunch(launch);
    }
    bool IsKeyDown(int key) override { return terminal.IsKeyDown(key); }
    void ReportRefusal(const std::string& why) override { terminal.ReportRefusal(why); }

  private:
    TerminalAgent& terminal;
    bool cancel;
    bool cancelled = false;
};

std::string Hex(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

// What a failed Execute means, in words, with its code.
std::string Reason(HRESULT result) {
    struct Known {
        HRESULT result;
        const char* words;
    };
    static const Known known[] = {
        {E_POINTER, "no file could be made below the target folder (a rule makes no target "
                    "folder: is it there?)"},
        {E_ABORT, "the save was cancelled"},
        {MAPI_E_NOT_FOUND, "the message is not in the store"},
        {MAPI_E_INVALID_ENTRYID, "the message is not in the store"},
        {MAPI_E_NO_ACCESS, "the message could not be opened"},
    };
    for (const Known& entry : known) {
        if (entry.result == result) {
            return std::string(entry.words) + " (" + Hex(result) + ")";
        }
    }
    return "the save failed (" + Hex(result) + ")";
}

// The folder a rule's string names, read as loosely as the summary needs it: the value of the
// last field that starts with "p". The module's own reading decides where files go.
std::string FolderOfRule(const std::string& text) {
    std::string folder;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('|', start + 1)) != std::string::npos; start = end + 1) {
        const std::string token = text.substr(start, end - start);
        if (token.size() > 3 && token[0] == 'p') {
            folder = token.substr(3);
        }
    }
    return folder;
}

// A check box of the dialog: --NAME checks it, --no-NAME clears it, neither leaves it.
void AddBox(CLI::App& command, const std::string& name, const std::string& help,
            std::optional<bool>& value) {
    command.add_flag_callback(
        "--" + name, [&value] { value = true; }, help);
    command.add_flag_callback(
        "--no-" + name, [&value] { value = false; }, "clear: " + help);
}

// The Save Attachments dialog's answers, as `filvex save` takes them.
void AddDialogOptions(CLI::App& command, SaveRequest& request) {
    command.add_option("--folder", request.folder, "Save To Folder: the target folder");
    command
        .add_option("--append", request.append,
                    "name parts put before each file's name: name, email, date, time, subject "
                    "(a comma list; those not listed are left out)")
        ->delimiter(',')
        ->check(CLI::IsMember({"name", "email", "date", "time", "subject"}));
    AddBox(command, "overwrite", "Overwrite Existing Files", request.overwrite);
    command
        .add_option("--subfolder", request.subfolder,
                    "Subfolder Naming: none, sender, domain, date, folder, subject")
        ->check(CLI::IsMember({"none", "sender", "domain", "date", "folder", "subject"}));
    command.add_option("--filter", request.filter,
                       "detach only if the attachment name contains this text (empty: none)");
    command.add_flag_callback(
        "--no-filter", [&request] { request.filter = std::string(); }, "no name filter");
    AddBox(command, "remove", "Remove attachment(s) from the message(s)", request.remove);
    AddBox(command, "links", "Leave a link to the detached files (with --remove)", request.links);
    command.add_option("--exec", request.exec,
                       "Execute: run this command on each saved file (empty: none)");
    command.add_flag_callback(
        "--no-exec", [&request] { request.exec = std::string(); }, "run no command");
    AddBox(command, "zip", "Zip File: pack each saved file into an archive of its own",
           request.zip);
    AddBox(command, "unzip", "Unzip File: unpack each saved .zip archive into its folder",
           request.unzip);
}

int Configure(const RuleRequest& request) {
    embedded::SetCallLogEnabled(false);
    const std::string storeFolder = std::filesystem::absolute(request.save.storeFolder).string();
    embedded::MsgFolderStore store(storeFolder);
    LoadedFilvex module;
    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    TerminalAgent terminal(request.save, interactive);
    EditorUser user(terminal, request.save.boxes == BoxAnswer::No);
    ComPtr<IMAPISession> session(store.OpenSession());
    // The rules editor's window, which owns the dialog.
    HWND editor = embedded::CreateClientWindow(kSelectCustomActionTitle, RECT{200, 150, 800, 600});
    embedded::RuleClient client(session.Get(), editor);
    if (!client.Load(CreateRuleAction)) {
        std::cerr << "filvex: the module gave no rule action\n";
        return 1;
    }
    std::string text = request.optionText.value_or("");
    std::string name;
    const HRESULT hr = client.Configure(text, name);
    client.Unload();
    if (hr == S_OK) {
        std::cout << text << "\n" << name << "\n";
        return 0;
    }
    if (hr == S_FALSE) {
        if (user.Cancelled()) {
            return 1;
        }
        if (!terminal.Outcome().problem.empty()) {
            std::cerr << "filvex: " << terminal.Outcome().problem << "\n";
        }
        return 2;
    }
    std::cerr << "filvex: the rule's action could not be configured (" << Hex(hr) << ")\n";
    return 1;
}

int Run(const RuleRequest& request) {
    SelectionPaths selection =
        CollectMessages(request.save.storeFolder, request.save.paths, request.save.recursive);
    if (!selection.error.empty()) {
        std::cerr << "filvex: " << selection.error << "\n";
        return 2;
    }
    embedded::SetCallLogEnabled(false);
    const std::string storeFolder = std::filesystem::canonical(request.save.storeFolder).string();
    embedded::MsgFolderStore store(storeFolder);
    LoadedFilvex module;
    const bool interactive = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    ProgressBar bar(std::cerr, isatty(STDERR_FILENO), TerminalColumns(STDERR_FILENO));
    std::set<std::string> messageFiles;
    for (const std::string& relative : selection.messages) {
        messageFiles.insert(storeFolder + "/" + relative);
    }
    // The files and skips are told from the run itself, whatever folder the rule saves to.
    RunSummary summary([&bar](const std::string& line) { bar.Say("filvex: " + line); },
                       messageFiles);
    TerminalAgent terminal(request.save, interactive);
    terminal.ClearBeforeSpeaking(&bar);
    EditorUser user(terminal, false);
    ComPtr<IMAPISession> session(store.OpenSession());
    // Rules run on arriving mail with no window of their own.
    embedded::RuleClient client(session.Get(), nullptr);
    if (!client.Load(CreateRuleAction)) {
        std::cerr << "filvex: the module gave no rule action\n";
        return 1;
    }

    const std::string text = request.optionText.value_or("");
    const auto clockStart = std::chrono::steady_clock::now();
    std::vector<std::string> failed;
    for (std::size_t i = 0; i < selection.messages.size(); ++i) {
        const std::string& path = selection.messages[i];
        summary.MessageBegins(path);
        bar.Show(i, selection.messages.size(), summary.Files(), summary.Bytes());
        // Each arriving message is a rule run of its own: one that fails stops no other.
        const HRESULT hr = client.Execute(text, store.Message(path));
        if (FAILED(hr)) {
            summary.RunStopped();
            bar.Say("filvex: message " + path + ": " + Reason(hr) +
                    (summary.LastFailure().empty() ? "" : " (" + summary.LastFailure() + ")"));
            failed.push_back(path);
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count();
    client.Unload();
    summary.RunEnds();
    bar.Clear();

    // Without a string the rule saved by the user's stored options, whose folder is the
    // module's to read: the summary names none.
    std::optional<std::string> folder;
    if (const std::string ruleFolder = FolderOfRule(text); !ruleFolder.empty()) {
        folder = embedded::ToNativePath(ruleFolder).value_or(ruleFolder);
    }
    const std::size_t done = selection.messages.size() - failed.size();
    if (request.save.json) {
        std::string failedList;
        for (const std::string& path : failed) {
            failedList += (failedList.empty() ? "" : ", ") + JsonText(path);
        }
        std::cout << "{\"messages\": " << done << ", \"selected\": " << selection.messages.size()
                  << ", \"files\": " << summary.Files() << ", \"bytes\": " << summary.Bytes()
                  << ", \"passed_over\": " << summary.PassedOver()
                  << ", \"failed_steps\": " << summary.FailedSteps() << ", \"seconds\": " << seconds
                  << ", \"folder\": " << (folder ? JsonText(*folder) : "null") << ", \"failed\": ["
                  << failedList << "]}\n";
    } else {
        std::printf("%zu of %zu messages, %llu files, %s in %.2f s", done,
                    selection.messages.size(), static_cast<unsigned long long>(summary.Files()),
                    HumanBytes(summary.Bytes()).c_str(), seconds);
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
    return failed.empty() ? 0 : 1;
}

} // namespace

CLI::App* AddRuleCommands(CLI::App& app, RuleRequest& request) {
    CLI::App* rule = app.add_subcommand(
        "rule", "the custom action of the mail client's rules, through the module's entry "
                "point 1");
    rule->require_subcommand(1);
    SaveRequest& save = request.save;

    CLI::App* configure = rule->add_subcommand(
        "configure", "Configure, as the rules editor calls it: the Save Attachments dialog on "
                     "the rule's options (--options) or, without them, the stored options, "
                     "answered from the options below; prints the rule's new option string "
                     "and the action's name. Nothing is written to the registry.");
    configure->add_option("--options", request.optionText, "the rule's option string");
    configure->add_option("--store", save.storeFolder,
                          "the folder of .msg files that is the message store (default: the "
                          "current folder)");
    AddDialogOptions(*configure, save);
    configure->add_flag_callback(
        "--yes", [&save] { save.boxes = BoxAnswer::Yes; }, "answer Yes (or OK) to every box");
    configure->add_flag_callback(
        "--no", [&save] { save.boxes = BoxAnswer::No; }, "Cancel the dialog");

    CLI::App* run = rule->add_subcommand(
        "run", "Execute, as a rule calls it for each arriving message: the messages of PATH "
               "saved by the rule's option string (--options) or, without one, by the stored "
               "options, with no dialog and no question");
    run->add_option("PATH", save.paths, "a .msg file or a folder of .msg files")->required();
    run->add_option("--options", request.optionText, "the rule's option string");
    run->add_option("--store", save.storeFolder,
                    "the folder of .msg files that is the message store (default: the current "
                    "folder); every PATH lies inside it");
    run->add_flag("--recursive,-r", save.recursive, "take the .msg files of subfolders too");
    run->add_flag_callback(
        "--yes", [&save] { save.boxes = BoxAnswer::Yes; }, "answer Yes (or OK) to every box");
    run->add_flag_callback(
        "--no", [&save] { save.boxes = BoxAnswer::No; }, "answer No (or Cancel) to every box");
    run->add_flag("--json", save.json, "print the summary as JSON on standard output");
    return rule;
}

int RunRule(const CLI::App& rule, const RuleRequest& request) {
    if (rule.got_subcommand("configure")) {
        return Configure(request);
    }
    return Run(request);
}

} // namespace cli
