#include "cli/link_commands.h"

#include "cli/link_run.h"
#include "cli/send_run.h"

namespace cli {
namespace {

// What every link command takes: the messages, the store and how boxes are answered.
void AddCommon(CLI::App& command, LinkRequest& request, bool manyPaths = true) {
    if (manyPaths) {
        command.add_option("PATH", request.paths, "a .msg file or a folder of .msg files")
            ->required();
        command.add_flag("--recursive,-r", request.recursive,
                         "take the .msg files of subfolders too");
    }
    command.add_option("--store", request.storeFolder,
                       "the folder of .msg files that is the message store (default: the "
                       "current folder); every PATH lies inside it");
    command.add_flag_callback(
        "--yes", [&request] { request.boxes = BoxAnswer::Yes; },
        "answer Yes (or OK) to every question");
    command.add_flag_callback(
        "--no", [&request] { request.boxes = BoxAnswer::No; },
        "answer No (or Cancel) to every question");
}

} // namespace

void AddLinkCommands(CLI::App& app, LinkCommandLine& line) {
    LinkRequest& request = line.request;
    line.reattach = app.add_subcommand(
        "reattach", "Reattach Links: put the linked files of the messages of PATH back into "
                    "them; each file is deleted once its message holds it");
    AddCommon(*line.reattach, request);
    line.reattach->add_option("--search", request.searchFolder,
                              "when a linked file is missing and the question offers to "
                              "browse for it, take the file of that name below this folder");

    line.updateLinks = app.add_subcommand(
        "update-links", "Batch-Update Links: replace the first occurrence of --old with --new in "
                        "the path of every link of the messages of PATH that contains it "
                        "(case ignored); confirm with --yes");
    AddCommon(*line.updateLinks, request);
    line.updateLinks
        ->add_option("--old", request.oldText,
                     "Old Path: a folder of this computer, or a text with a drive letter as "
                     "the links hold it (C:\\oldfolder\\)")
        ->required();
    line.updateLinks->add_option("--new", request.newText, "New Path: in the same forms as --old")
        ->required();

    line.links = app.add_subcommand(
        "links", "Display Link Info: the links of each message of PATH, as the Link Info "
                 "dialog lists them");
    AddCommon(*line.links, request);
    line.links->add_flag("--json", request.json,
                         "print a JSON list: message, subject, display name, path, and whether "
                         "the file exists");

    line.send = app.add_subcommand(
        "send", "send a message as the compose window does, so that the module's check for "
                "links runs before it goes; prints whether it would go out with links");
    line.send->add_option("PATH", request.paths, "the .msg file to send")->required()->expected(1);
    AddCommon(*line.send, request, false);
}

std::optional<int> RunChosenLinkCommand(const CLI::App&, LinkCommandLine& line) {
    LinkRequest& request = line.request;
    if (line.reattach->parsed()) {
        request.command = LinkCommand::Reattach;
    } else if (line.updateLinks->parsed()) {
        request.command = LinkCommand::UpdateLinks;
    } else if (line.links->parsed()) {
        request.command = LinkCommand::DisplayLinks;
    } else if (line.send->parsed()) {
        request.command = LinkCommand::Send;
        return RunSend(request);
    } else {
        return std::nullopt;
    }
    return RunLinkCommand(request);
}

} // namespace cli
