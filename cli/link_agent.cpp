#include "cli/link_agent.h"

#include "cli/box_prompt.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/win32_ui.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

namespace sm = control_ids::summary;
namespace ul = control_ids::update_links;
namespace li = control_ids::link_info;

namespace cli {
namespace {

namespace fs = std::filesystem;

// The name part of a Windows path.
std::string NameOf(const std::string& windowsPath) {
    const std::size_t slash = windowsPath.find_last_of('\\');
    return slash == std::string::npos ? windowsPath : windowsPath.substr(slash + 1);
}

// The first file of that name below the folder, in path order.
std::optional<std::string> FindBelow(const std::string& folder, const std::string& name) {
    std::error_code error;
    std::vector<fs::path> found;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        if (it->is_regular_file(error) && it->path().filename() == name) {
            found.push_back(it->path());
        }
    }
    if (found.empty()) {
        return std::nullopt;
    }
    std::sort(found.begin(), found.end());
    return fs::absolute(found.front()).lexically_normal().string();
}

} // namespace

LinkAgent::LinkAgent(const LinkRequest& request, bool interactive)
    : request(request), interactive(interactive) {}

std::string LinkAgent::LinkText(const std::string& given) {
    const bool hasDrive = given.size() >= 2 && given[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(given[0])) != 0;
    if (given.empty() || hasDrive) {
        return given;
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(given, error);
    if (error) {
        return given;
    }
    return embedded::ToWindowsPath(absolute.lexically_normal().string()).value_or(given);
}

std::optional<std::string> LinkAgent::AskLine(const std::string& prompt) {
    return ReadAnswerLine(prompt);
}

int LinkAgent::AnswerMessageBox(const embedded::MessageBoxRequest& box) {
    std::cerr << box.caption << ": " << box.text << "\n";
    const std::vector<Choice> buttons = ButtonsOf(box.type);
    const bool repeated =
        !questionAfterFailedBrowse.empty() && box.text == questionAfterFailedBrowse;
    questionAfterFailedBrowse.clear();
    lastQuestion = box.text;
    if (buttons.size() == 1) {
        return buttons[0].button;
    }
    if (request.boxes != BoxAnswer::Ask) {
        if (repeated && buttons.size() == 3) {
            std::cerr << "filvex: no file found to reattach; going on without it\n";
            return IDNO;
        }
        if (request.boxes == BoxAnswer::Yes) {
            return buttons[0].button;
        }
        return buttons.size() == 3 ? IDNO : buttons[1].button;
    }
    if (!interactive) {
        return 0; // a box no one can see: the caller takes it as not shown
    }
    return AskForButton(buttons);
}

void LinkAgent::WorkDialog(embedded::DialogView& dialog) {
    switch (dialog.DialogId()) {
    case resource_ids::kSummaryDialog:
        summaries.push_back(dialog.Text(sm::kText));
        dialog.Click(IDOK);
        return;
    case resource_ids::kLinkInfoDialog:
        linkInfo.push_back({dialog.Text(li::kMessage), dialog.Text(li::kLinks)});
        dialog.Click(IDOK);
        return;
    case resource_ids::kUpdateLinksDialog:
        dialog.Type(ul::kOldPath, LinkText(request.oldText));
        dialog.Type(ul::kNewPath, LinkText(request.newText));
        if (dialog.Enabled(IDOK)) {
            dialog.Click(IDOK);
        }
        // Still open: the dialog refused the texts, or the confirmation was answered No.
        updateConfirmed = dialog.Ended();
        if (!dialog.Ended()) {
            dialog.Click(IDCANCEL);
        }
        return;
    default:
        std::cerr << "filvex: the dialog \"" << dialog.Caption()
                  << "\" cannot be answered from the command line\n";
        dialog.CloseBox();
    }
}

std::optional<std::string> LinkAgent::AnswerFileDialog(const embedded::FileDialogRequest& dialog) {
    const std::string name = NameOf(dialog.initialFile);
    std::optional<std::string> found;
    if (request.searchFolder) {
        found = FindBelow(*request.searchFolder, name);
    } else if (interactive && request.boxes == BoxAnswer::Ask) {
        std::optional<std::string> line = AskLine("File to reattach for " + name + ": ");
        if (line && !line->empty()) {
            found = fs::absolute(*line).lexically_normal().string();
        }
    }
    if (!found) {
        questionAfterFailedBrowse = lastQuestion;
        return std::nullopt;
    }
    std::cerr << "filvex: found " << *found << "\n";
    return embedded::ToWindowsPath(*found).value_or(*found);
}

std::optional<std::string> LinkAgent::AnswerFolderBrowser(const embedded::FolderBrowserRequest&) {
    return std::nullopt;
}

bool LinkAgent::InterceptLaunch(const embedded::LaunchRequest&) {
    // The help page of the Link Info dialog is not opened from the command line.
    return true;
}

bool LinkAgent::IsKeyDown(int) {
    return false;
}

void LinkAgent::ReportRefusal(const std::string& why) {
    std::cerr << "filvex: " << why << "\n";
}

} // namespace cli
