#include "platform/embedded/system/module_loader.h"
#include "platform/win32_dialogs.h"
#include "platform/win32_ui.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace {

constexpr DialogControl kControls[] = {
    {10, ControlKind::ComboBox, "", CBS_DROPDOWN | WS_TABSTOP, 5, 5, 100, 80},
    {11, ControlKind::ListBox, "", LBS_NOTIFY | WS_TABSTOP, 5, 25, 100, 40},
    {12, ControlKind::Edit, "", WS_TABSTOP, 5, 70, 100, 14},
    {13, ControlKind::PushButton, "Go", WS_TABSTOP, 5, 90, 50, 14},
};
constexpr DialogTemplate kDialogs[] = {
    {300, "Controls", DS_MODALFRAME | WS_POPUP | WS_CAPTION, 0, 0, 0, 120, 110, "MS Shell Dlg", 8,
     kControls},
};
const ModuleResources kResources{{}, kDialogs, {}};

struct Seen {
    std::vector<std::pair<int, int>> commands;
};

INT_PTR CALLBACK Record(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return FALSE;
    }
    auto* seen = reinterpret_cast<Seen*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && seen != nullptr) {
        seen->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        if (LOWORD(wParam) == 13) {
            EndDialog(dialog, IDOK);
        }
        return TRUE;
    }
    return FALSE;
}

LPARAM Text(const char* text) {
    return reinterpret_cast<LPARAM>(text);
}

TEST(DialogControlsTest, ListsTextsAndLimitsAnswerAsTheControlsDo) {
    testing_support::ScriptedUser user;
    HINSTANCE instance = embedded::LoadModule(kResources);
    Seen seen;
    user->ExpectDialog(300, [](embedded::DialogView& dialog) {
        HWND window = dialog.Handle();
        HWND combo = GetDlgItem(window, 10);
        HWND list = GetDlgItem(window, 11);
        HWND edit = GetDlgItem(window, 12);
        char text[64];
        struct Case {
            const char* name;
            HWND control;
            UINT message;
            WPARAM wParam;
            LPARAM lParam;
            LRESULT answer;
        };
        const Case cases[] = {
            {"first combo entry", combo, CB_ADDSTRING, 0, Text("C:\\A\\"), 0},
            {"second combo entry", combo, CB_ADDSTRING, 0, Text("C:\\Bee\\"), 1},
            {"combo count", combo, CB_GETCOUNT, 0, 0, 2},
            {"no selection yet", combo, CB_GETCURSEL, 0, 0, CB_ERR},
            {"entry length", combo, CB_GETLBTEXTLEN, 1, 0, 7},
            {"entry text", combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text), 7},
            {"select beyond the end", combo, CB_SETCURSEL, 5, 0, CB_ERR},
            {"select an entry", combo, CB_SETCURSEL, 0, 0, 0},
            {"list entry", list, LB_ADDSTRING, 0, Text("report.doc -> C:\\report.doc"), 0},
            {"list count", list, LB_GETCOUNT, 0, 0, 1},
            {"missing list entry", list, LB_GETTEXT, 3, reinterpret_cast<LPARAM>(text), LB_ERR},
            {"limit the edit", edit, EM_LIMITTEXT, 4, 0, 0},
            {"select in the edit", edit, EM_SETSEL, 0, -1, 0},
            {"set a text", edit, WM_SETTEXT, 0, Text("ab"), TRUE},
            {"text length", edit, WM_GETTEXTLENGTH, 0, 0, 2},
            {"a push button has no check", GetDlgItem(window, 13), BM_GETCHECK, 0, 0,
             BST_UNCHECKED},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            EXPECT_EQ(SendMessageA(c.control, c.message, c.wParam, c.lParam), c.answer);
        }
        EXPECT_EQ(dialog.Text(10), "C:\\A\\") << "selecting an entry shows it";
        EXPECT_TRUE(dialog.Type(12, "abcdef"));
        EXPECT_EQ(dialog.Text(12), "abcd") << "typing stops at the limit";
        EXPECT_TRUE(dialog.Choose(11, "report.doc -> C:\\report.doc"));
        EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(dialog.FocusId(), 11);
        EXPECT_TRUE(dialog.Click(13));
    });

    EXPECT_EQ(DialogBoxParamA(instance, MAKEINTRESOURCEA(300), nullptr, Record,
                              reinterpret_cast<LPARAM>(&seen)),
              IDOK);

    EXPECT_EQ(seen.commands, (std::vector<std::pair<int, int>>{
                                 {12, EN_CHANGE}, {11, LBN_SELCHANGE}, {13, BN_CLICKED}}));
    embedded::UnloadModule(instance);
}

} // namespace
