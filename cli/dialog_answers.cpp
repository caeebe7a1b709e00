#include "cli/dialog_answers.h"

#include "platform/embedded/files/native_paths.h"
#include "resources/control_ids.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace cli {
namespace {

using namespace control_ids::save_attachments;

const std::map<std::string, int>& NamePartBoxes() {
    static const std::map<std::string, int> boxes = {{"name", kAppendSenderName},
                                                     {"email", kAppendSenderEmail},
                                                     {"date", kAppendReceivedDate},
                                                     {"time", kAppendReceivedTime},
                                                     {"subject", kAppendSubject}};
    return boxes;
}

const std::map<std::string, int>& SubfolderButtons() {
    static const std::map<std::string, int> buttons = {
        {"none", kNoSubfolderButton},    {"sender", kSenderNameButton},
        {"domain", kSenderDomainButton}, {"date", kReceivedDateButton},
        {"folder", kMailFolderButton},   {"subject", kSubjectButton}};
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

RunSettings SettingsOf(const embedded::DialogView& dialog) {
    RunSettings settings;
    settings.remove = dialog.Checked(kRemoveAttachments);
    settings.zip = dialog.Checked(kZipSaved);
    settings.links = settings.remove && dialog.Checked(kLeaveLinks) && !settings.zip;
    settings.overwrite = dialog.Checked(kOverwriteExisting);
    settings.unzip = dialog.Checked(kUnzipSaved);
    settings.command = dialog.Checked(kExecute) ? dialog.Text(kCommandLine) : "";
    settings.filter = dialog.Checked(kFilterOn) ? dialog.Text(kNameFilter) : "";
    return settings;
}

} // namespace

DialogOutcome AnswerSaveDialog(embedded::DialogView& dialog, const SaveRequest& request) {
    Answering answer(dialog);
    if (request.folder) {
        answer.Type(kTargetFolder, request.folder->empty() ? "" : WindowsFolder(*request.folder),
                    "--folder");
    }
    if (TouchesOptions(request) && !dialog.Visible(kRemoveAttachments)) {
        if (!dialog.Enabled(kToggleOptions)) {
            return {false,
                    "the options are locked by the administrator; only --folder can be given",
                    dialog.Text(kTargetFolder), SettingsOf(dialog)};
        }
        answer.Click(kToggleOptions, "the options");
    }
    if (request.append) {
        for (const auto& [part, id] : NamePartBoxes()) {
            const auto& parts = *request.append;
            answer.Box(id, std::find(parts.begin(), parts.end(), part) != parts.end(), "--append");
        }
    }
    if (request.overwrite) {
        answer.Box(kOverwriteExisting, *request.overwrite, "--overwrite");
    }
    if (request.subfolder) {
        auto button = SubfolderButtons().find(*request.subfolder);
        if (button != SubfolderButtons().end() && !dialog.Checked(button->second)) {
            answer.Click(button->second, "--subfolder");
        }
    }
    if (request.filter) {
        answer.Box(kFilterOn, !request.filter->empty(), "--filter");
        if (!request.filter->empty()) {
            answer.Type(kNameFilter, *request.filter, "--filter");
        }
    }
    // Removal first, so that a link can be asked for; a link before zipping, which it excludes.
    if (request.remove) {
        answer.Box(kRemoveAttachments, *request.remove, "--remove");
    }
    if (request.links) {
        answer.Box(kLeaveLinks, *request.links, "--links (it needs --remove)");
    }
    if (request.zip) {
        answer.Box(kZipSaved, *request.zip, "--zip (it excludes --links)");
    }
    if (request.unzip) {
        answer.Box(kUnzipSaved, *request.unzip, "--unzip");
    }
    if (request.exec) {
        answer.Box(kExecute, !request.exec->empty(), "--exec");
        if (!request.exec->empty()) {
            answer.Type(kCommandLine, *request.exec, "--exec");
        }
    }
    const std::string folder = dialog.Text(kTargetFolder);
    const RunSettings settings = SettingsOf(dialog);
    if (answer.problem.empty()) {
        answer.Click(kSaveNow, "Save Now");
    }
    if (dialog.Ended()) {
        return {true, {}, folder, settings};
    }
    // Refused: the dialog has shown why; it is left as a person would leave it.
    dialog.Click(kCancel);
    return {false, answer.problem, folder, settings};
}

} // namespace cli
