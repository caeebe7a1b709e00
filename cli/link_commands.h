// The link commands of `filvex` on its command line: reattach, update-links, links and send.
#pragma once

#include "cli/link_request.h"

#include <CLI/CLI.hpp>

#include <optional>

namespace cli {

struct LinkCommandLine {
    LinkRequest request;
    CLI::App* reattach = nullptr;
    CLI::App* updateLinks = nullptr;
    CLI::App* links = nullptr;
    CLI::App* send = nullptr;
};

void AddLinkCommands(CLI::App& app, LinkCommandLine& line);

// The exit code of the link command that was chosen, or nothing when none was.
std::optional<int> RunChosenLinkCommand(const CLI::App& app, LinkCommandLine& line);

} // namespace cli
