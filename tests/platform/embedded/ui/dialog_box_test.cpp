#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/win32_dialogs.h"
#include "platform/win32_ui.h"
#include "resources/filvex_resources.h"
#include "tests/support/scripted_user.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <functional>

namespace save_ids = control_ids::save_attachments;

namespace {

// What a dialog procedure saw, and what it does at opening and on commands.
struct Trace {
    LPARAM initParam = 0;
    std::vector<std::pair<int, int>> commands; // control id, notification
    std::vector<HWND> commandControls;
    int helpRequests = 0;
    std::function<void(HWND)> onInit;
    std::function<void(HWND, int, int)> onCommand;
};

INT_PTR CALLBACK TraceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* trace = reinterpret_cast<Trace*>(lParam);
        trace->initParam = lParam;
        if (trace->onInit) {
            trace->onInit(dialog);
        }
        return TRUE;
    }
    auto* trace = reinterpret_cast<Trace*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (trace == nullptr) {
        return FALSE;
    }
    if (message == WM_COMMAND) {
        trace->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        trace->commandControls.push_back(reinterpret_cast<HWND>(lParam));
        if (trace->onCommand) {
            trace->onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        }
        return TRUE;
    }
    if (message == WM_HELP) {
        ++trace->helpRequests;
        return TRUE;
    }
    return FALSE;
}

class DialogBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        instance = embedded::LoadModule(FilvexResources());
        // Client area at (103, 122): the client window's frame is 3 pixels, its caption 19.
        owner = embedded::CreateClientWindow("Mail", RECT{100, 100, 1100, 900});
    }
    void TearDown() override { embedded::UnloadModule(instance); }

    INT_PTR Run(UINT id, Trace& trace) {
        return DialogBoxParamA(instance, MAKEINTRESOURCEA(static_cast<WORD>(id)), owner, TraceProc,
                               reinterpret_cast<LPARAM>(&trace));
    }

    testing_support::ScriptedUser user;
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
};

TEST_F(DialogBoxTest, TheSaveDialogOpensFromItsTemplateAndEndsWithTheResultOfEndDialog) {
    Trace trace;
    trace.onInit = [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, save_ids::kTargetFolder), CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>("C:\\Old\\"));
        SetDlgItemTextA(dialog, save_ids::kTargetFolder, "C:\\Mail\\");
        CheckDlgButton(dialog, save_ids::kAppendSenderName, BST_CHECKED);
        EnableWindow(GetDlgItem(dialog, save_ids::kLeaveLinks), FALSE);
    };
    std::string textAtEnd;
    trace.onCommand = [&](HWND dialog, int id, int) {
        if (id == IDOK) {
            char text[8];
            GetDlgItemTextA(dialog, save_ids::kTargetFolder, text, sizeof text);
            textAtEnd = text;
            EndDialog(dialog, 7);
        }
    };
    user->ExpectDialog(resource_ids::kSaveAttachmentsDialog, [&](embedded::DialogView& dialog) {
        EXPECT_EQ(dialog.Caption(), "Filvex - Save Attachments");
        EXPECT_EQ(dialog.Kind(save_ids::kAppendSenderName), ControlKind::AutoCheckBox);
        EXPECT_EQ(dialog.Kind(save_ids::kSenderNameButton), ControlKind::AutoRadioButton);
        EXPECT_EQ(dialog.Kind(save_ids::kTargetFolder), ControlKind::ComboBox);
        EXPECT_EQ(dialog.Kind(1), ControlKind::DefaultPushButton);
        EXPECT_EQ(dialog.Text(save_ids::kOverwriteExisting), "O&verwirte Existing Files");
        EXPECT_EQ(dialog.Text(save_ids::kTargetFolder), "C:\\Mail\\");
        EXPECT_EQ(dialog.Items(save_ids::kTargetFolder), std::vector<std::string>{"C:\\Old\\"});
        // Dialog at 150,100 units from the owner's client area: 225,163 pixels from (103,122);
        // its own client area starts 3,22 pixels inside its frame.
        RECT save = dialog.Rectangle(1); // 75,54 50x14 units
        EXPECT_EQ(save.left, 103 + 225 + 3 + 113);
        EXPECT_EQ(save.top, 122 + 163 + 22 + 88);
        EXPECT_EQ(save.right - save.left, 75);
        EXPECT_EQ(save.bottom - save.top, 23);
        EXPECT_EQ(dialog.FocusId(), 1); // the first tab stop

        EXPECT_TRUE(dialog.Checked(save_ids::kAppendSenderName));
        EXPECT_TRUE(dialog.Click(save_ids::kAppendSenderName));
        EXPECT_FALSE(dialog.Checked(save_ids::kAppendSenderName));
        EXPECT_TRUE(dialog.Click(1));
    });

    EXPECT_EQ(Run(resource_ids::kSaveAttachmentsDialog, trace), 7);

    EXPECT_EQ(trace.initParam, reinterpret_cast<LPARAM>(&trace));
    ASSERT_EQ(trace.commands.size(), 2u);
    EXPECT_EQ(trace.commands[0],
              std::make_pair(save_ids::kAppendSenderName, static_cast<int>(BN_CLICKED)));
    EXPECT_NE(trace.commandControls[0], nullptr);
    EXPECT_EQ(textAtEnd, "C:\\Mail"); // cut to the 8-byte buffer
    EXPECT_EQ(embedded::LiveWindowCount(), 1u) << "only the owner is left";
    EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner takes input again";
}

TEST_F(DialogBoxTest, AHiddenOrDisabledControlCannotBeClicked) {
    Trace trace;
    trace.onInit = [](HWND dialog) {
        EnableWindow(GetDlgItem(dialog, save_ids::kLeaveLinks), FALSE);
        ShowWindow(GetDlgItem(dialog, save_ids::kOptionsLabel), SW_HIDE);
    };
    trace.onCommand = [](HWND dialog, int id, int) {
        if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
    };
    user->ExpectDialog(resource_ids::kSaveAttachmentsDialog, [](embedded::DialogView& dialog) {
        EXPECT_FALSE(dialog.Click(save_ids::kLeaveLinks));
        EXPECT_FALSE(dialog.Type(save_ids::kOptionsLabel, "x"));
        EXPECT_FALSE(dialog.Click(999));
        EXPECT_FALSE(dialog.Enabled(save_ids::kLeaveLinks));
        EXPECT_FALSE(dialog.Visible(save_ids::kOptionsLabel));
        dialog.PressEscape();
    });

    EXPECT_EQ(Run(resource_ids::kSaveAttachmentsDialog, trace), IDCANCEL);

    ASSERT_EQ(user->Failures().size(), 3u);
    EXPECT_EQ(user->Failures()[0], "dialog 208: control 230 is disabled and cannot be clicked");
    EXPECT_NE(user->Failures()[2].find("no control 999"), std::string::npos);
    EXPECT_EQ(trace.commands, (std::vector<std::pair<int, int>>{{IDCANCEL, BN_CLICKED}}))
        << "the refused click reached nobody";
    user->ClearFailures();
}

TEST_F(DialogBoxTest, TypingChoosingAndRadioGroupsReachTheProcedure) {
    Trace trace;
    trace.onInit = [](HWND dialog) {
        CheckRadioButton(dialog, save_ids::kFirstSubfolderButton, save_ids::kLastSubfolderButton,
                         save_ids::kNoSubfolderButton);
        for (const char* folder : {"C:\\A\\", "C:\\B\\"}) {
            SendDlgItemMessageA(dialog, save_ids::kTargetFolder, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(folder));
        }
    };
    user->ExpectDialog(resource_ids::kSaveAttachmentsDialog, [](embedded::DialogView& dialog) {
        EXPECT_TRUE(dialog.Checked(save_ids::kNoSubfolderButton));
        EXPECT_TRUE(dialog.Click(save_ids::kReceivedDateButton));
        EXPECT_TRUE(dialog.Checked(save_ids::kReceivedDateButton));
        EXPECT_FALSE(dialog.Checked(save_ids::kNoSubfolderButton))
            << "one radio button of the group is checked";
        EXPECT_TRUE(dialog.Type(save_ids::kNameFilter, "report"));
        EXPECT_TRUE(dialog.Choose(save_ids::kTargetFolder, "C:\\B\\"));
        EXPECT_FALSE(dialog.Choose(save_ids::kTargetFolder, "C:\\Z\\"));
        EXPECT_TRUE(dialog.AskForHelp());
        EXPECT_TRUE(dialog.CloseBox());
    });
    trace.onCommand = [](HWND dialog, int id, int) {
        if (id == IDCANCEL) {
            EXPECT_EQ(SendDlgItemMessageA(dialog, save_ids::kTargetFolder, CB_GETCURSEL, 0, 0), 1);
            char text[260];
            GetDlgItemTextA(dialog, save_ids::kNameFilter, text, sizeof text);
            EXPECT_STREQ(text, "report");
            EndDialog(dialog, IDCANCEL);
        }
    };

    EXPECT_EQ(Run(resource_ids::kSaveAttachmentsDialog, trace), IDCANCEL);

    EXPECT_EQ(trace.commands,
              (std::vector<std::pair<int, int>>{{save_ids::kReceivedDateButton, BN_CLICKED},
                                                {save_ids::kNameFilter, EN_CHANGE},
                                                {save_ids::kTargetFolder, CBN_SELCHANGE},
                                                {IDCANCEL, BN_CLICKED}}))
        << "the close box ends up as Cancel through the default handling";
    EXPECT_EQ(trace.helpRequests, 1);
    ASSERT_EQ(user->Failures().size(), 1u);
    user->ClearFailures();
}

TEST_F(DialogBoxTest, WindowCallsMoveResizeAndBindObjects) {
    Trace trace;
    trace.onInit = [](HWND dialog) {
        RECT frame{};
        RECT naming{};
        GetWindowRect(dialog, &frame);
        GetWindowRect(GetDlgItem(dialog, save_ids::kFileNamingFrame), &naming);
        // Fold the dialog up to the top of the "File Naming" frame, keeping its place.
        SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, naming.top - frame.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER);
        RECT folded{};
        GetWindowRect(dialog, &folded);
        EXPECT_EQ(folded.left, frame.left);
        EXPECT_EQ(folded.top, frame.top);
        EXPECT_EQ(folded.bottom, naming.top);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, frame.right - frame.left - 6);
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 42);
        EXPECT_EQ(GetWindowLongPtrA(dialog, GWLP_USERDATA), 42);
        EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dialog, save_ids::kFileNamingFrame)), 246);
        EXPECT_EQ(GetParent(GetDlgItem(dialog, save_ids::kFileNamingFrame)), dialog);
        EndDialog(dialog, 3); // ends before it shows
    };
    EXPECT_EQ(Run(resource_ids::kSaveAttachmentsDialog, trace), 3);
    EXPECT_TRUE(user->Dialogs().empty()) << "a dialog ended while opening never shows";
}

TEST_F(DialogBoxTest, ABoxShownFromTheDialogIsOwnedByItAndAnsweredInTurn) {
    Trace trace;
    HWND activeDuringBox = nullptr;
    trace.onCommand = [&](HWND dialog, int id, int) {
        if (id == IDOK) {
            activeDuringBox = GetActiveWindow();
            if (MessageBoxA(dialog, "Please specify a valid folder name (can not be empty).",
                            "Filvex", MB_ICONERROR) == IDOK) {
                EndDialog(dialog, IDOK);
            }
        }
    };
    HWND dialogWindow = nullptr;
    user->ExpectDialog(resource_ids::kUpdateLinksDialog, [&](embedded::DialogView& dialog) {
        dialogWindow = dialog.Handle();
        EXPECT_FALSE(dialog.Enabled(1)) << "OK starts disabled";
        EXPECT_FALSE(dialog.Click(1));
        EnableWindow(GetDlgItem(dialog.Handle(), 1), TRUE);
        EXPECT_TRUE(dialog.Click(1));
        EXPECT_TRUE(dialog.Ended());
    });
    user->ExpectMessageBox(IDOK);

    EXPECT_EQ(Run(resource_ids::kUpdateLinksDialog, trace), IDOK);

    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].owner, dialogWindow);
    EXPECT_EQ(activeDuringBox, dialogWindow);
    EXPECT_EQ(GetActiveWindow(), owner) << "the owner is active again";
    ASSERT_EQ(user->Failures().size(), 1u) << "the click on the disabled OK";
    user->ClearFailures();
}

TEST_F(DialogBoxTest, DialogsThatCannotRunAnswerTheFailureValues) {
    Trace trace;
    EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(resource_ids::kSaveAttachmentsDialog),
                              owner, TraceProc, 0),
              -1)
        << "unknown instance";
    EXPECT_EQ(Run(999, trace), -1) << "no such template";
    embedded::FailNthCall("DialogBoxParamA", 1, E_OUTOFMEMORY);
    EXPECT_EQ(Run(resource_ids::kSaveAttachmentsDialog, trace), -1) << "injected failure";
    EXPECT_EQ(DialogBoxParamA(instance, MAKEINTRESOURCEA(resource_ids::kSaveAttachmentsDialog),
                              reinterpret_cast<HWND>(8), TraceProc, 0),
              0)
        << "no such owner";

    // Nobody scripted it: the dialog stays open, which fails, and it answers -1.
    EXPECT_EQ(Run(resource_ids::kSummaryDialog, trace), -1);
    ASSERT_EQ(user->Failures().size(), 2u);
    EXPECT_NE(user->Failures()[0].find("unscripted dialog 252"), std::string::npos);
    EXPECT_EQ(user->Failures()[1], "dialog 252 was left open");
    user->ClearFailures();
}

} // namespace
