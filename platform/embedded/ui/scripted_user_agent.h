// A user agent for tests: it answers from a script of expected interactions, in order, and
// records everything it was shown. Whatever the script did not foresee (a box or dialog nobody
// scripted, one of another kind than the next expected, a refused action, a dialog left open)
// becomes a failure, which a test must find empty at its end; a scripted interaction that never
// came is listed by Unused().
#pragma once

#include "platform/embedded/ui/user_agent.h"

#include <deque>
#include <functional>
#include <set>

namespace embedded {

class ScriptedUserAgent : public UserAgent {
  public:
    using DialogScript = std::function<void(DialogView&)>;

    void ExpectMessageBox(int answer);
    void ExpectDialog(UINT dialogId, DialogScript script);
    // A path to choose, or nothing to cancel.
    void ExpectFileDialog(std::optional<std::string> answer);
    void ExpectFolderBrowser(std::optional<std::string> answer);
    void HoldKey(int key, bool down = true);
    // Launches are only recorded unless allowed.
    void AllowLaunches(bool allow) { allowLaunches_ = allow; }

    const std::vector<MessageBoxRequest>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<UINT>& Dialogs() const { return dialogs_; }
    const std::vector<FileDialogRequest>& FileDialogs() const { return fileDialogs_; }
    const std::vector<FolderBrowserRequest>& FolderBrowsers() const { return folderBrowsers_; }
    const std::vector<LaunchRequest>& Launches() const { return launches_; }
    const std::vector<std::string>& Failures() const { return failures_; }
    std::vector<std::string> Unused() const;
    void ClearFailures() { failures_.clear(); }

    int AnswerMessageBox(const MessageBoxRequest& box) override;
    void WorkDialog(DialogView& dialog) override;
    std::optional<std::string> AnswerFileDialog(const FileDialogRequest& dialog) override;
    std::optional<std::string> AnswerFolderBrowser(const FolderBrowserRequest& browser) override;
    bool InterceptLaunch(const LaunchRequest& launch) override;
    bool IsKeyDown(int key) override;
    void ReportRefusal(const std::string& why) override;

  private:
    enum class Kind { MessageBox, Dialog, FileDialog, FolderBrowser };
    struct Expected {
        Kind kind;
        int answer = 0;
        UINT dialogId = 0;
        DialogScript script;
        std::optional<std::string> path;
    };
    static std::string Describe(const Expected& expected);
    // The next expected interaction when it is of this kind; else records the failure.
    std::optional<Expected> Next(Kind kind, const std::string& what);

    std::deque<Expected> script_;
    std::set<int> keysDown_;
    bool allowLaunches_ = false;
    std::vector<MessageBoxRequest> messageBoxes_;
    std::vector<UINT> dialogs_;
    std::vector<FileDialogRequest> fileDialogs_;
    std::vector<FolderBrowserRequest> folderBrowsers_;
    std::vector<LaunchRequest> launches_;
    std::vector<std::string> failures_;
};

} // namespace embedded
