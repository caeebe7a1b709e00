#include "module/dialog_binding.h"

#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_ui.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scripted_user.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace save_ids = control_ids::save_attachments;
namespace summary_ids = control_ids::summary;

namespace {

// A dialog that notes every message it gets and ends on the buttons that end a dialog.
class RecordingDialog : public ModalDialog {
  public:
    explicit RecordingDialog(std::string name) : name_(std::move(name)) {}

    struct Seen {
        UINT message;
        HWND window;
        int control;
    };
    const std::vector<Seen>& Messages() const { return seen_; }
    std::vector<int> Commands() const {
        std::vector<int> ids;
        for (const Seen& seen : seen_) {
            if (seen.message == WM_COMMAND) {
                ids.push_back(seen.control);
            }
        }
        return ids;
    }
    // What a click on `control` does besides being noted.
    std::function<void(int control)> onCommand;

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == WM_INITDIALOG) {
            seen_.push_back({message, Window(), 0});
            SetWindowTextA(Window(), name_.c_str());
            return TRUE;
        }
        if (message == WM_COMMAND) {
            int control = LOWORD(wParam);
            seen_.push_back({message, Window(), control});
            if (onCommand) {
                onCommand(control);
            }
            if (control == IDOK || control == IDCANCEL) {
                EndDialog(Window(), control);
            }
            return TRUE;
        }
        if (message == WM_CLOSE) {
            seen_.push_back({message, Window(), 0});
        }
        return FALSE; // left to the default processing
    }

  private:
    std::string name_;
    std::vector<Seen> seen_;
};

class DialogBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        owner = embedded::CreateClientWindow("Inbox", RECT{0, 0, 1000, 800});
    }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    HWND owner = nullptr;
};

TEST_F(DialogBindingTest, TheWindowIsBoundAtItsFirstMessageAndEveryLaterOneReachesTheObject) {
    RecordingDialog dialog("bound");
    HWND seenByUser = nullptr;
    user->ExpectDialog(resource_ids::kSummaryDialog, [&](embedded::DialogView& view) {
        seenByUser = view.Handle();
        EXPECT_EQ(view.Caption(), "bound") << "the opening message reached the object";
        EXPECT_EQ(dialog.Window(), view.Handle());
        view.Click(summary_ids::kDoNotShowAgain);
        view.Click(IDOK);
    });

    EXPECT_EQ(dialog.Run(module.instance(), resource_ids::kSummaryDialog, owner), IDOK);

    ASSERT_EQ(dialog.Messages().size(), 3u);
    EXPECT_EQ(dialog.Messages()[0].message, static_cast<UINT>(WM_INITDIALOG));
    for (const auto& seen : dialog.Messages()) {
        EXPECT_EQ(seen.window, seenByUser);
    }
    EXPECT_EQ(dialog.Commands(), (std::vector<int>{summary_ids::kDoNotShowAgain, IDOK}));
    EXPECT_EQ(dialog.Window(), nullptr) << "no window once the dialog is over";
}

TEST_F(DialogBindingTest, AMessageTheHandlerLeavesGetsTheDefaultDialogProcessing) {
    RecordingDialog dialog("close box");
    user->ExpectDialog(resource_ids::kSummaryDialog,
                       [](embedded::DialogView& view) { view.CloseBox(); });

    // The default processing turns the close box into Cancel, which comes back to the handler.
    EXPECT_EQ(dialog.Run(module.instance(), resource_ids::kSummaryDialog, owner), IDCANCEL);

    EXPECT_EQ(dialog.Commands(), (std::vector<int>{IDCANCEL}));
    EXPECT_EQ(dialog.Messages()[1].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(DialogBindingTest, ADialogOpenedFromInsideAnotherGetsItsOwnObject) {
    RecordingDialog outer("outer");
    RecordingDialog inner("inner");
    outer.onCommand = [&](int control) {
        if (control == save_ids::kBrowse) {
            EXPECT_EQ(inner.Run(module.instance(), resource_ids::kLinkInfoDialog, outer.Window()),
                      IDCANCEL);
        }
    };
    HWND outerWindow = nullptr;
    user->ExpectDialog(resource_ids::kSaveAttachmentsDialog, [&](embedded::DialogView& view) {
        outerWindow = view.Handle();
        view.Click(save_ids::kBrowse); // opens the inner dialog and returns once it ended
        view.Click(save_ids::kAppendSenderName);
        view.Click(IDOK);
    });
    user->ExpectDialog(resource_ids::kLinkInfoDialog, [&](embedded::DialogView& view) {
        EXPECT_EQ(view.Caption(), "inner");
        EXPECT_NE(view.Handle(), outerWindow);
        view.Click(IDCANCEL);
    });

    EXPECT_EQ(outer.Run(module.instance(), resource_ids::kSaveAttachmentsDialog, owner), IDOK);

    EXPECT_EQ(outer.Commands(),
              (std::vector<int>{save_ids::kBrowse, save_ids::kAppendSenderName, IDOK}));
    EXPECT_EQ(inner.Commands(), (std::vector<int>{IDCANCEL}));
    for (const auto& seen : outer.Messages()) {
        EXPECT_EQ(seen.window, outerWindow);
    }
    for (const auto& seen : inner.Messages()) {
        EXPECT_NE(seen.window, outerWindow);
    }
}

TEST_F(DialogBindingTest, ADialogThatCouldNotBeShownLeavesNoRegistrationBehind) {
    RecordingDialog missing("missing");
    EXPECT_EQ(missing.Run(module.instance(), 999, owner), -1) << "no such template";
    embedded::FailNthCall("DialogBoxParamA", 1, E_FAIL);
    EXPECT_EQ(missing.Run(module.instance(), resource_ids::kSummaryDialog, owner), -1);

    RecordingDialog next("next");
    user->ExpectDialog(resource_ids::kSummaryDialog,
                       [](embedded::DialogView& view) { view.Click(IDOK); });
    EXPECT_EQ(next.Run(module.instance(), resource_ids::kSummaryDialog, owner), IDOK);

    EXPECT_TRUE(missing.Messages().empty()) << "the failed runs' registrations are gone";
    EXPECT_EQ(next.Commands(), (std::vector<int>{IDOK}));
}

TEST_F(DialogBindingTest, StartAndStopSetUpAndTearDownTheLockAndTheListWorksAfterAStop) {
    StopDialogBinding(); // whatever an earlier test left
    embedded::ClearCallLog();
    StartDialogBinding();
    StartDialogBinding(); // a second start changes nothing
    EXPECT_EQ(embedded::CallsOf("InitializeCriticalSection").size(), 1u);

    RecordingDialog dialog("locked");
    user->ExpectDialog(resource_ids::kSummaryDialog,
                       [](embedded::DialogView& view) { view.Click(IDOK); });
    EXPECT_EQ(dialog.Run(module.instance(), resource_ids::kSummaryDialog, owner), IDOK);
    EXPECT_EQ(embedded::CallsOf("EnterCriticalSection").size(),
              embedded::CallsOf("LeaveCriticalSection").size())
        << "every entry into the lock is left";
    EXPECT_FALSE(embedded::CallsOf("EnterCriticalSection").empty());

    StopDialogBinding();
    EXPECT_EQ(embedded::CallsOf("DeleteCriticalSection").size(), 1u);

    // A dialog after the stop (a test without a module start) sets the list up again.
    RecordingDialog after("after stop");
    user->ExpectDialog(resource_ids::kSummaryDialog,
                       [](embedded::DialogView& view) { view.Click(IDOK); });
    EXPECT_EQ(after.Run(module.instance(), resource_ids::kSummaryDialog, owner), IDOK);
    EXPECT_EQ(after.Commands(), (std::vector<int>{IDOK}));
    EXPECT_EQ(embedded::CallsOf("InitializeCriticalSection").size(), 2u);
}

} // namespace
