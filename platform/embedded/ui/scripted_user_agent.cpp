#include "platform/embedded/ui/scripted_user_agent.h"

namespace embedded {

void ScriptedUserAgent::ExpectMessageBox(int answer) {
    script_.push_back(Expected{Kind::MessageBox, answer, 0, {}, std::nullopt});
}

void ScriptedUserAgent::ExpectDialog(UINT dialogId, DialogScript script) {
    script_.push_back(Expected{Kind::Dialog, 0, dialogId, std::move(script), std::nullopt});
}

void ScriptedUserAgent::ExpectFileDialog(std::optional<std::string> answer) {
    script_.push_back(Expected{Kind::FileDialog, 0, 0, {}, std::move(answer)});
}

void ScriptedUserAgent::ExpectFolderBrowser(std::optional<std::string> answer) {
    script_.push_back(Expected{Kind::FolderBrowser, 0, 0, {}, std::move(answer)});
}

void ScriptedUserAgent::HoldKey(int key, bool down) {
    if (down) {
        keysDown_.insert(key);
    } else {
        keysDown_.erase(key);
    }
}

std::string ScriptedUserAgent::Describe(const Expected& expected) {
    switch (expected.kind) {
    case Kind::MessageBox:
        return "message box answered " + std::to_string(expected.answer);
    case Kind::Dialog:
        return "dialog " + std::to_string(expected.dialogId);
    case Kind::FileDialog:
        return "file dialog answered " + expected.path.value_or("(cancel)");
    case Kind::FolderBrowser:
        return "folder browser answered " + expected.path.value_or("(cancel)");
    }
    return "?";
}

std::vector<std::string> ScriptedUserAgent::Unused() const {
    std::vector<std::string> unused;
    for (const Expected& expected : script_) {
        unused.push_back(Describe(expected));
    }
    return unused;
}

std::optional<ScriptedUserAgent::Expected> ScriptedUserAgent::Next(Kind kind,
                                                                   const std::string& what) {
    if (script_.empty()) {
        failures_.push_back("unscripted " + what);
        return std::nullopt;
    }
    if (script_.front().kind != kind) {
        failures_.push_back("unscripted " + what + " while the script expects " +
                            Describe(script_.front()));
        return std::nullopt;
    }
    Expected next = std::move(script_.front());
    script_.pop_front();
    return next;
}

int ScriptedUserAgent::AnswerMessageBox(const MessageBoxRequest& box) {
    messageBoxes_.push_back(box);
    auto expected =
        Next(Kind::MessageBox, "message box \"" + box.text + "\" (caption \"" + box.caption +
                                   "\", type " + std::to_string(box.type) + ")");
    return expected ? expected->answer : 0;
}

void ScriptedUserAgent::WorkDialog(DialogView& dialog) {
    dialogs_.push_back(dialog.DialogId());
    std::string what =
        "dialog " + std::to_string(dialog.DialogId()) + " \"" + dialog.Caption() + "\"";
    if (!script_.empty() && script_.front().kind == Kind::Dialog &&
        script_.front().dialogId != dialog.DialogId()) {
        failures_.push_back("unscripted " + what + " while the script expects " +
                            Describe(script_.front()));
        return;
    }
    auto expected = Next(Kind::Dialog, what);
    if (expected && expected->script) {
        expected->script(dialog);
    }
}

std::optional<std::string> ScriptedUserAgent::AnswerFileDialog(const FileDialogRequest& dialog) {
    fileDialogs_.push_back(dialog);
    auto expected = Next(Kind::FileDialog, std::string(dialog.save ? "Save As" : "Open") +
                                               " dialog \"" + dialog.title + "\"");
    return expected ? expected->path : std::nullopt;
}

std::optional<std::string>
ScriptedUserAgent::AnswerFolderBrowser(const FolderBrowserRequest& browser) {
    folderBrowsers_.push_back(browser);
    auto expected = Next(Kind::FolderBrowser, "folder browser \"" + browser.title + "\"");
    return expected ? expected->path : std::nullopt;
}

bool ScriptedUserAgent::InterceptLaunch(const LaunchRequest& launch) {
    launches_.push_back(launch);
    return !allowLaunches_;
}

bool ScriptedUserAgent::IsKeyDown(int key) {
    return keysDown_.count(key) != 0;
}

void ScriptedUserAgent::ReportRefusal(const std::string& why) {
    failures_.push_back(why);
}

} // namespace embedded
