// filvex: saves the attachments of ".msg" messages as the mail client's Save Attachments
// command does, with the same dialog (answered from the options), boxes and stored options.
#include "cli/link_commands.h"
#include "cli/rule_command.h"
#include "cli/save_request.h"
#include "cli/save_run.h"
#include "cli/stored_options.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

// A check box of the dialog: --NAME checks it, --no-NAME clears it, neither leaves it.
void AddBox(CLI::App& command, const std::string& name, const std::string& help,
            std::optional<bool>& value) {
    command.add_flag_callback(
        "--" + name, [&value] { value = true; }, help);
    command.add_flag_callback(
        "--no-" + name, [&value] { value = false; }, "clear: " + help);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Filvex saves every attachment of the messages you select into a target "
                 "folder, with optional subfolders and name parts, and can remove the "
                 "attachments and leave links to the saved files in their place."};
    app.require_subcommand(1);

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
                     "Execute: run this command on each saved file (empty: none)");
    save->add_flag_callback(
        "--no-exec", [&request] { request.exec = std::string(); }, "run no command");
    AddBox(*save, "zip", "Zip File: pack each saved file into an archive of its own", request.zip);
    AddBox(*save, "unzip", "Unzip File: unpack each saved .zip archive into its folder",
           request.unzip);
    save->add_flag("--no-dialog", request.noDialog,
                   "save with the stored options, without the dialog (as with Ctrl held); "
                   "nothing is written to the registry");
    save->add_flag("--open-folder", request.openFolder,
                   "open the target folder first (as with Shift held)");
    save->add_flag_callback(
        "--yes", [&request] { request.boxes = cli::BoxAnswer::Yes; },
        "answer Yes (or OK) to every question");
    save->add_flag_callback(
        "--no", [&request] { request.boxes = cli::BoxAnswer::No; },
        "answer No (or Cancel) to every question");
    save->add_flag("--json", request.json, "print the summary as JSON on standard output");

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
        return cli::PrintStoredOptions(std::cout);
    }
    return cli::RunSave(request);
}
