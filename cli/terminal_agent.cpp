#include "cli/terminal_agent.h"

#include "platform/embedded/files/native_paths.h"
#include "platform/keyboard.h"
#include "platform/win32_ui.h"

#include <iostream>

namespace cli {
namespace {

constexpr UINT kSaveAttachmentsDialog = 208;

struct Choice {
    const char* word;
    int button;
};

// The buttons a box offers, in the order they are asked for.
std::vector<Choice> ButtonsOf(UINT flags) {
    switch (flags & 0xF) {
    case MB_OKCANCEL:
        return {{"ok", IDOK}, {"cancel", IDCANCEL}};
    case MB_YESNOCANCEL:
        return {{"yes", IDYES}, {"no", IDNO}, {"cancel", IDCANCEL}};
    case MB_YESNO:
        return {{"yes", IDYES}, {"no", IDNO}};
    default:
        return {{"ok", IDOK}};
    }
}

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
    std::cerr << prompt << std::flush;
    std::string line;
    if (!std::getline(std::cin, line)) {
        std::cerr << "\n";
        return std::nullopt;
    }
    return line;
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
    std::string prompt = "[";
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        prompt += (i > 0 ? "/" : "") + std::string(buttons[i].word);
    }
    prompt += "] ";
    for (;;) {
        std::optional<std::string> line = AskLine(prompt);
        if (!line) {
            return 0;
        }
        for (const Choice& choice : buttons) {
            const std::string word = choice.word;
            if (*line == word || (line->size() == 1 && (*line)[0] == word[0])) {
                return choice.button;
            }
        }
    }
}

void TerminalAgent::WorkDialog(embedded::DialogView& dialog) {
    if (dialog.DialogId() != kSaveAttachmentsDialog) {
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
