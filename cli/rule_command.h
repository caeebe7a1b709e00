// `filvex rule`: the module's custom action as the mail client's rules use it, through entry
// point 1. `rule configure` is the rules editor's Configure, `rule run` the rule engine's
// Execute for each arriving message.
#pragma once

#include "cli/save_request.h"

#include <CLI/CLI.hpp>

#include <optional>
#include <string>

namespace cli {

struct RuleRequest {
    // The rule's option string; none: the rule has none yet (the user's stored options).
    std::optional<std::string> optionText;
    // The messages and the dialog's answers, as `filvex save` takes them.
    SaveRequest save;
};

// Adds "rule" with its two commands to `app`; the options fill `request`.
CLI::App* AddRuleCommands(CLI::App& app, RuleRequest& request);

// The command of `rule` that was given, run. `rule configure`: 0 with the new option string
// and the action's name printed, 1 when cancelled (nothing printed) or the action failed, 2
// when the dialog refused the options. `rule run`: 0 when every message was saved, 1 when one
// failed, 2 for bad usage.
int RunRule(const CLI::App& rule, const RuleRequest& request);

} // namespace cli
