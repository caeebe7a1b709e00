// The person at the screen. Every message box, dialog, file dialog, folder browser, launch and
// key press of the embedded platform goes to one user agent: a scripted one in tests, a
// terminal one in the command-line host.
#pragma once

#include "platform/module_resources.h"
#include "platform/win32_windows.h"

#include <optional>
#include <string>
#include <vector>

namespace embedded {

struct MessageBoxRequest {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

struct FileDialogRequest {
    bool save; // Save As, else Open
    HWND owner;
    DWORD structSize;
    DWORD flags;
    std::string title;
    std::string initialFolder;
    std::string initialFile;
    // Description and pattern, in turn, as the filter lists them.
    std::vector<std::string> filter;
    DWORD capacity;
};

struct FolderBrowserRequest {
    HWND owner;
    std::string title;
    UINT flags;
    // The folder the module selected when the browser opened, if it did.
    std::string selection;
};

struct LaunchRequest {
    HWND owner;
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    int show;
    // What would start: the native program, its arguments (the program first) and its folder.
    std::string program;
    std::vector<std::string> arguments;
    std::string workingFolder;
};

// A running modal dialog as the person sees and works it. Reading names controls by id; an
// action the person could not take (a hidden or disabled control, no such control, a dialog
// already ended) is refused: it does nothing, answers false and is reported to the agent.
class DialogView {
  public:
    explicit DialogView(HWND dialog) : dialog_(dialog) {}

    HWND Handle() const { return dialog_; }
    UINT DialogId() const;
    std::string Caption() const;
    bool Ended() const;
    std::vector<int> ControlIds() const;
    bool HasControl(int id) const;
    std::optional<ControlKind> Kind(int id) const;
    std::string Text(int id) const;
    bool Checked(int id) const;
    bool Enabled(int id) const;
    bool Visible(int id) const;
    // Screen pixels.
    RECT Rectangle(int id) const;
    std::vector<std::string> Items(int id) const;
    // The control holding the focus, or 0.
    int FocusId() const;

    bool Click(int id);
    // Replaces the text of an edit field or of a combo box's edit part.
    bool Type(int id, const std::string& text);
    // Picks an entry of a combo box or list box by its text.
    bool Choose(int id, const std::string& item);
    bool PressEscape();
    bool CloseBox();
    // F1, or the caption's help button.
    bool AskForHelp();

  private:
    HWND Control(int id, const char* action) const;
    bool Refuse(const std::string& why) const;

    HWND dialog_;
};

class UserAgent {
  public:
    virtual ~UserAgent() = default;
    // The button pressed (IDOK, IDYES...), or 0 when the box went unanswered.
    virtual int AnswerMessageBox(const MessageBoxRequest& box) = 0;
    // Works the dialog after it opened; the dialog normally ends before this returns.
    virtual void WorkDialog(DialogView& dialog) = 0;
    // The chosen path, or nothing to cancel.
    virtual std::optional<std::string> AnswerFileDialog(const FileDialogRequest& dialog) = 0;
    virtual std::optional<std::string> AnswerFolderBrowser(const FolderBrowserRequest& browser) = 0;
    // True when the launch is only recorded and nothing is started.
    virtual bool InterceptLaunch(const LaunchRequest& launch) = 0;
    virtual bool IsKeyDown(int key) = 0;
    // An action the person could not take, or a dialog left open.
    virtual void ReportRefusal(const std::string& why) = 0;
};

// The agent now at the screen; null: nobody, so boxes and dialogs fail and launches start.
void SetUserAgent(UserAgent* agent);
UserAgent* CurrentUserAgent();

} // namespace embedded
