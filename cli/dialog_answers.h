// The Save Attachments dialog answered as a person would from the command line: each option
// given sets its control, the rest stay as the dialog opened, then Save Now.
#pragma once

#include "cli/run_settings.h"
#include "cli/save_request.h"
#include "platform/embedded/ui/user_agent.h"

#include <string>

namespace cli {

// How the dialog ended: confirmed, or left with Cancel because it refused what it was given
// (its own message then told why) or a control could not be set (`problem` says which).
struct DialogOutcome {
    bool confirmed = false;
    std::string problem;
    // The folder box's text when Save Now was pressed.
    std::string targetFolder;
    // The settings the dialog held when Save Now was pressed.
    RunSettings settings;
};

DialogOutcome AnswerSaveDialog(embedded::DialogView& dialog, const SaveRequest& request);

} // namespace cli
