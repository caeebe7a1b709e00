// filvex: saves the attachments of ".msg" messages as the mail client's Save Attachments
// command does, with the same dialog (answered from the options), boxes and stored options.
#include "cli/link_commands.h"
#include "cli/rule_command.h"
#include "cli/save_request.h"
#include "cli/save_run.h"
#include "cli/stored_options.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <vector>

namespace {

// A check box of the dialog: --NAME checks it, --no-NAME clears it, neither leaves it.
void AddBox(CLI::App& command, const std::string& name, const std::string& help,
            std::optional<bool>& value) {
    command.add_flag_callback(
        "--" + name, [&value] { value = true; }, help);
    command.add_flag_callback(
        "--no-" + name, [&value] { value = false; }, "clear: " + help);
}

// The options that answer the Save Attachments dialog: without the dialog nothing takes them.
const char* const kDialogOptions[] = {
    "--folder",    "--append", "--overwrite", "--no-overwrite", "--subfolder", "--filter",
    "--no-filter", "--remove", "--no-remove", "--links",        "--no-links",  "--exec",
    "--no-exec",   "--zip",    "--no-zip",    "--unzip",        "--no-unzip",
};

// A usage error found after parsing: said, exit code 2.
int Refuse(const std::string& why) {
    std::cerr << "filvex: " << why << "\n";
    return 2;
}

constexpr char kAbout[] =
    "Filvex saves every attachment of the messages you select into a target folder, with "
    "optional subfolders and name parts, and can remove the attachments and leave links to the "
    "saved files in their place.";

constexpr char kSaveFooter[] = R"(Stored options:
  Every run through the dialog stores its options (Save Now), and a later run takes them for
  every option it does not give: after one --remove run, a plain run removes attachments too.
  Each run says the settings that change or delete data, and where each comes from, before
  the first message. `filvex options` lists the stored options in force.

Saved files:
  The sender and the subject are written into each saved file's summary properties (the
  document properties a file manager shows), unless the administrator turned that off (SSP).

--exec:
  takes a program (a name on PATH, or a path), not a command line: it is started with the
  saved file's path as its only argument, never through a shell.

Exit codes:
  0  done: every message was saved (steps that failed are said and counted)
  1  stopped at a failing message, the save could not start, or an unexpected error
  2  bad usage, or options the dialog refused)";

int Run(int argc, char** argv) {
    CLI::App app{kAbout, "filvex"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("filvex ") + FILVEX_VERSION);
    app.footer("Run `filvex save --help` for the options of a save, exit codes included.");

    cli::SaveRequest request;
    CLI::App* save = app.add_subcommand(
        "save", "Save Attachments: the messages of PATH (a .msg file, or a folder of them) "
                "through the Save Attachments dialog, answered from the options below; "
                "options not given keep their stored values.");
    save->add_option("PATH", request.paths, "a .msg file or a folder of .msg files")->required();
    save->add_option("--store", request.storeFolder,
                     "the folder of .msg files that is the message store (default: the "
                     "current folder); every PATH lies inside it");
    save->add_flag("--recursive,-r", request.recursive, "take the .msg files of subfolders too");
    save->add_option("--folder", request.folder, "Save To Folder: the target folder");
    save->add_option("--append", request.append,
                     "name parts put before each file's name: name, email, date, time, "
                     "subject (a comma list; those not listed are left out)")
        ->delimiter(',')
        ->check(CLI::IsMember({"name", "email", "date", "time", "subject"}));
    AddBox(*save, "overwrite", "Overwrite Existing Files", request.overwrite);
    save->add_option("--subfolder", request.subfolder,
                     "Subfolder Naming: none, sender (\"From\" name), domain (sender domain), "
                     "date (\"Received\" date), folder (Outlook folder name), subject")
        ->check(CLI::IsMember({"none", "sender", "domain", "date", "folder", "subject"}));
    save->add_option("--filter", request.filter,
                     "detach only if the attachment name contains this text (empty: no filter)");
    save->add_flag_callback(
        "--no-filter", [&request] { request.filter = std::string(); }, "no name filter");
    AddBox(*save, "remove", "Remove attachment(s) from the message(s) (for advanced users)",
           request.remove);
    AddBox(*save, "links", "Leave a link to the detached files in the message (with --remove)",
           request.links);
    save->add_option("--exec", request.exec,
                     "Execute: run this program on each saved file, which it gets as its only "
                     "argument (a program, not a command line; empty: none)");
    save->add_flag_callback(
        "--no-exec", [&request] { request.exec = std::string(); }, "run no command");
    AddBox(*save, "zip", "Zip File: pack each saved file into an archive of its own", request.zip);
    AddBox(*save, "unzip", "Unzip File: unpack each saved .zip archive into its folder",
           request.unzip);
    save->add_flag("--no-dialog", request.noDialog,
                   "save with the stored options, without the dialog (as with Ctrl held); "
                   "nothing is written to the registry, and no dialog option can be given");
    save->add_flag("--open-folder", request.openFolder,
                   "open the target folder first (as with Shift held)");
    CLI::Option* yes = save->add_flag_callback(
        "--yes", [&request] { request.boxes = cli::BoxAnswer::Yes; },
        "answer Yes (or OK) to every question");
    CLI::Option* no = save->add_flag_callback(
        "--no", [&request] { request.boxes = cli::BoxAnswer::No; },
        "answer No (or Cancel) to every question");
    yes->excludes(no);
    save->add_flag("--json", request.json,
                   "print the summary, with the settings of the run, as JSON on standard "
                   "output");
    save->footer(kSaveFooter);

    cli::LinkCommandLine links;
    cli::AddLinkCommands(app, links);

    app.add_subcommand("options", "print the stored options in force, with their registry "
                                  "value names and the key they come from");

    cli::RuleRequest ruleRequest;
    CLI::App* rule = cli::AddRuleCommands(app, ruleRequest);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Bad usage is exit code 2; asking for help is no error.
        int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }
    if (rule->parsed()) {
        return cli::RunRule(*rule, ruleRequest);
    }
    if (std::optional<int> code = cli::RunChosenLinkCommand(app, links)) {
        return *code;
    }
    if (app.got_subcommand("options")) {
        cli::StoredTypeCheck typeCheck(
            [](const std::string& line) { std::cerr << "filvex: warning: " << line << "\n"; });
        return cli::PrintStoredOptions(std::cout);
    }
    if (request.noDialog) {
        std::string given;
        for (const char* option : kDialogOptions) {
            if (save->count(option) > 0) {
                given += (given.empty() ? "" : ", ") + std::string(option);
            }
        }
        if (!given.empty()) {
            return Refuse("--no-dialog takes the stored options; without the dialog nothing "
                          "takes " +
                          given);
        }
    }
    return cli::RunSave(request);
}

} // namespace

int main(int argc, char** argv) {
    // The last resort: whatever escapes is said, and the run fails.
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << "filvex: unexpected error: " << error.what() << "\n";
    } catch (...) {
        std::cerr << "filvex: unexpected error\n";
    }
    return 1;
}
