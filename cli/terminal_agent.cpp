#include "cli/terminal_agent.h"

#include "cli/box_prompt.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/keyboard.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

#include <iostream>

namespace cli {
namespace {

// What --yes or --no means for the buttons a box has.
int Unattended(BoxAnswer answer, const std::vector<Choice>& buttons) {
    if (buttons.size() == 1) {
        return buttons[0].button;
    }
    if (answer == BoxAnswer::Yes) {
        return buttons[0].button;
    }
    return buttons.size() == 3 ? IDNO : buttons[1].button;
}

} // namespace

TerminalAgent::TerminalAgent(const SaveRequest& request, bool interactive)
    : request(request), interactive(interactive) {}

void TerminalAgent::Speak() {
    if (bar != nullptr) {
        bar->Clear();
    }
}

std::optional<std::string> TerminalAgent::AskLine(const std::string& prompt) {
    Speak();
    return ReadAnswerLine(prompt);
}

int TerminalAgent::AnswerMessageBox(const embedded::MessageBoxRequest& box) {
    Speak();
    std::cerr << box.caption << ": " << box.text << "\n";
    const std::vector<Choice> buttons = ButtonsOf(box.type);
    if (request.boxes != BoxAnswer::Ask) {
        return Unattended(request.boxes, buttons);
    }
    if (!interactive) {
        return 0; // a box no one can see: the caller takes it as not shown
    }
    return AskForButton(buttons);
}

void TerminalAgent::WorkDialog(embedded::DialogView& dialog) {
    if (dialog.DialogId() != resource_ids::kSaveAttachmentsDialog) {
        Speak();
        std::cerr << "filvex: the dialog \"" << dialog.Caption()
                  << "\" cannot be answered from the command line\n";
        dialog.CloseBox();
        return;
    }
    dialogShown = true;
    outcome = AnswerSaveDialog(dialog, request);
}

std::optional<std::string>
TerminalAgent::AnswerFileDialog(const embedded::FileDialogRequest& dialog) {
    // The proposed path is shown and taken as the host sees it.
    std::string proposed = dialog.initialFile;
    std::string nativeProposed = embedded::ToNativePath(proposed).value_or(proposed);
    if (request.boxes == BoxAnswer::No) {
        return std::nullopt;
    }
    if (!interactive || request.boxes == BoxAnswer::Yes) {
        return proposed;
    }
    std::optional<std::string> line = AskLine("Save as [" + nativeProposed + "]: ");
    if (!line) {
        return std::nullopt;
    }
    if (line->empty()) {
        return proposed;
    }
    return embedded::ToWindowsPath(*line).value_or(*line);
}

std::optional<std::string>
TerminalAgent::AnswerFolderBrowser(const embedded::FolderBrowserRequest&) {
    return std::nullopt;
}

bool TerminalAgent::InterceptLaunch(const embedded::LaunchRequest&) {
    return false;
}

bool TerminalAgent::IsKeyDown(int key) {
    return (key == VK_CONTROL && request.noDialog) || (key == VK_SHIFT && request.openFolder);
}

void TerminalAgent::ReportRefusal(const std::string& why) {
    Speak();
    std::cerr << "filvex: " << why << "\n";
}

} // namespace cli
