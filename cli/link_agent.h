// The person at the terminal for the link commands: boxes are shown on standard error and
// answered there, or by --yes/--no; a missing file is browsed for below --search; the Update
// Links dialog is filled from --old and --new; each summary and Link Info text is kept and
// printed by the run.
#pragma once

#include "cli/link_request.h"
#include "platform/embedded/ui/user_agent.h"

#include <string>
#include <vector>

namespace cli {

// One Link Info dialog as it was shown.
struct ShownLinks {
    std::string subject;
    std::string text;
};

class LinkAgent final : public embedded::UserAgent {
  public:
    LinkAgent(const LinkRequest& request, bool interactive);

    int AnswerMessageBox(const embedded::MessageBoxRequest& box) override;
    void WorkDialog(embedded::DialogView& dialog) override;
    std::optional<std::string> AnswerFileDialog(const embedded::FileDialogRequest& dialog) override;
    std::optional<std::string>
    AnswerFolderBrowser(const embedded::FolderBrowserRequest& browser) override;
    bool InterceptLaunch(const embedded::LaunchRequest& launch) override;
    bool IsKeyDown(int key) override;
    void ReportRefusal(const std::string& why) override;

    const std::vector<std::string>& Summaries() const { return summaries; }
    const std::vector<ShownLinks>& LinkInfo() const { return linkInfo; }
    // Whether the Update Links dialog ended with OK.
    bool UpdateConfirmed() const { return updateConfirmed; }
    // The texts the Update Links dialog was given, in the form the links hold.
    static std::string LinkText(const std::string& given);

  private:
    std::optional<std::string> AskLine(const std::string& prompt);

    const LinkRequest& request;
    bool interactive;
    // The question after a browse that found nothing: answered No, so that an unattended run
    // does not browse for the same file for ever.
    std::string questionAfterFailedBrowse;
    std::string lastQuestion;
    std::vector<std::string> summaries;
    std::vector<ShownLinks> linkInfo;
    bool updateConfirmed = false;
};

} // namespace cli
