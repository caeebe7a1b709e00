// The person at the terminal, as the module's boxes and dialogs meet them: a box shows its
// caption and text on standard error and asks for its buttons; without a terminal --yes or
// --no answer, else the box cannot be shown. The Save Attachments dialog is answered from the
// command line's options.
#pragma once

#include "cli/dialog_answers.h"
#include "cli/progress_bar.h"
#include "cli/save_request.h"
#include "platform/embedded/ui/user_agent.h"

#include <cstdio>
#include <string>

namespace cli {

class TerminalAgent final : public embedded::UserAgent {
  public:
    TerminalAgent(const SaveRequest& request, bool interactive);

    int AnswerMessageBox(const embedded::MessageBoxRequest& box) override;
    void WorkDialog(embedded::DialogView& dialog) override;
    std::optional<std::string> AnswerFileDialog(const embedded::FileDialogRequest& dialog) override;
    std::optional<std::string>
    AnswerFolderBrowser(const embedded::FolderBrowserRequest& browser) override;
    bool InterceptLaunch(const embedded::LaunchRequest& launch) override;
    bool IsKeyDown(int key) override;
    void ReportRefusal(const std::string& why) override;

    // The bar to clear before a box or question is written; null: none.
    void ClearBeforeSpeaking(ProgressBar* progress) { bar = progress; }

    // Whether the Save Attachments dialog was shown and how it ended.
    bool DialogShown() const { return dialogShown; }
    const DialogOutcome& Outcome() const { return outcome; }
    // The target folder as the dialog held it at Save Now (a Windows path), or empty.
    const std::string& TargetFolder() const { return outcome.targetFolder; }

  private:
    // A line typed at the terminal; nothing at its end.
    std::optional<std::string> AskLine(const std::string& prompt);

    // Before anything is written: the progress line makes way.
    void Speak();

    const SaveRequest& request;
    bool interactive;
    ProgressBar* bar = nullptr;
    bool dialogShown = false;
    DialogOutcome outcome;
};

} // namespace cli
