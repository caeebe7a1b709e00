#include "cli/dialog_answers.h"

#include "platform/embedded/files/native_paths.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace cli {
namespace {

// The controls of dialog 208 that the options set.
constexpr int kSaveNow = 1;
constexpr int kCancel = 2;
constexpr int kFolder = 201;
constexpr int kOptionsToggle = 241;
constexpr int kFilterBox = 234;
constexpr int kFilterText = 236;
constexpr int kRemove = 227;
constexpr int kLinks = 230;
constexpr int kExecuteBox = 231;
constexpr int kCommandText = 232;
constexpr int kZip = 244;
constexpr int kUnzip = 245;
constexpr int kOverwrite = 205;

const std::map<std::string, int>& NamePartBoxes() {
    static const std::map<std::string, int> boxes = {
        {"name", 203}, {"email", 204}, {"date", 229}, {"time", 215}, {"subject", 228}};
    return boxes;
}

const std::map<std::string, int>& SubfolderButtons() {
    static const std::map<std::string, int> buttons = {{"none", 216},   {"sender", 218},
                                                       {"domain", 222}, {"date", 217},
                                                       {"folder", 219}, {"subject", 220}};
    return buttons;
}

class Answering {
  public:
    Answering(embedded::DialogView& dialog) : dialog(dialog) {}

    // `option` names the command-line option in the message when the control is not there
    // to be set (disabled by another choice).
    void Box(int id, bool checked, const char* option) {
        if (!problem.empty() || dialog.Checked(id) == checked) {
            return;
        }
        if (!dialog.Click(id)) {
            problem = std::string(option) + " cannot be set together with the other options given";
        }
    }
    void Click(int id, const char* option) {
        if (problem.empty() && !dialog.Click(id)) {
            problem = std::string(option) + " cannot be set together with the other options given";
        }
    }
    void Type(int id, const std::string& text, const char* option) {
        if (problem.empty() && !dialog.Type(id, text)) {
            problem = std::string(option) + " cannot be set together with the other options given";
        }
    }

    embedded::DialogView& dialog;
    std::string problem;
};

bool TouchesOptions(const SaveRequest& request) {
    return request.append || request.overwrite || request.subfolder || request.filter ||
           request.remove || request.links || request.exec || request.zip || request.unzip;
}

// The folder as the dialog takes it: a Windows path on the drive mapping (Z: is "/").
std::string WindowsFolder(const std::string& nativeFolder) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(nativeFolder, error);
    if (error) {
        return nativeFolder;
    }
    return embedded::ToWindowsPath(absolute.lexically_normal().string()).value_or(nativeFolder);
}

} // namespace

DialogOutcome AnswerSaveDialog(embedded::DialogView& dialog, const SaveRequest& request) {
    Answering answer(dialog);
    if (request.folder) {
        answer.Type(kFolder, request.folder->empty() ? "" : WindowsFolder(*request.folder),
                    "--folder");
    }
    if (TouchesOptions(request) && !dialog.Visible(kRemove)) {
        if (!dialog.Enabled(kOptionsToggle)) {
            return {false,
                    "the options are locked by the administrator; only --folder can be given",
                    dialog.Text(kFolder)};
        }
        answer.Click(kOptionsToggle, "the options");
    }
    if (request.append) {
        for (const auto& [part, id] : NamePartBoxes()) {
            const auto& parts = *request.append;
            answer.Box(id, std::find(parts.begin(), parts.end(), part) != parts.end(), "--append");
        }
    }
    if (request.overwrite) {
        answer.Box(kOverwrite, *request.overwrite, "--overwrite");
    }
    if (request.subfolder) {
        auto button = SubfolderButtons().find(*request.subfolder);
        if (button != SubfolderButtons().end() && !dialog.Checked(button->second)) {
            answer.Click(button->second, "--subfolder");
        }
    }
    if (request.filter) {
        answer.Box(kFilterBox, !request.filter->empty(), "--filter");
        if (!request.filter->empty()) {
            answer.Type(kFilterText, *request.filter, "--filter");
        }
    }
    // Removal first, so that a link can be asked for; a link before zipping, which it excludes.
    if (request.remove) {
        answer.Box(kRemove, *request.remove, "--remove");
    }
    if (request.links) {
        answer.Box(kLinks, *request.links, "--links (it needs --remove)");
    }
    if (request.zip) {
        answer.Box(kZip, *request.zip, "--zip (it excludes --links)");
    }
    if (request.unzip) {
        answer.Box(kUnzip, *request.unzip, "--unzip");
    }
    if (request.exec) {
        answer.Box(kExecuteBox, !request.exec->empty(), "--exec");
        if (!request.exec->empty()) {
            answer.Type(kCommandText, *request.exec, "--exec");
        }
    }
    const std::string folder = dialog.Text(kFolder);
    if (answer.problem.empty()) {
        answer.Click(kSaveNow, "Save Now");
    }
    if (dialog.Ended()) {
        return {true, {}, folder};
    }
    // Refused: the dialog has shown why; it is left as a person would leave it.
    dialog.Click(kCancel);
    return {false, answer.problem, folder};
}

} // namespace cli
