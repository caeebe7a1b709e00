// What the person asked a link command of `filvex` for: the messages, and how to answer the
// command's questions and dialogs.
#pragma once

#include "cli/save_request.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class LinkCommand { Reattach, UpdateLinks, DisplayLinks, Send };

struct LinkRequest {
    LinkCommand command = LinkCommand::Reattach;
    std::vector<std::string> paths;
    std::string storeFolder = ".";
    bool recursive = false;
    BoxAnswer boxes = BoxAnswer::Ask;
    // Where a missing linked file is looked for, by its name, when the question offers to
    // browse for it.
    std::optional<std::string> searchFolder;
    // The Update Links dialog's two texts, as given.
    std::string oldText;
    std::string newText;
    bool json = false;
};

} // namespace cli
