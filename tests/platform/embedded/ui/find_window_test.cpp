#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/exchange_extension.h"
#include "platform/rule_action.h"
#include "platform/win32_ui.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace {

class FindWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    void TearDown() override { embedded::ClearFaults(); }
    testing_support::ScriptedUser user;
};

TEST_F(FindWindowTest, TopLevelWindowsAreFoundByClassTitleOrBoth) {
    HWND viewer =
        embedded::CreateClientWindow("Inbox - Mail", RECT{0, 0, 800, 600}, kClientMainWindowClass);
    HWND second =
        embedded::CreateClientWindow("Sent - Mail", RECT{0, 0, 800, 600}, kClientMainWindowClass);
    HWND editor = embedded::CreateClientWindow(kSelectCustomActionTitle, RECT{0, 0, 300, 200});
    HWND toolbar = embedded::CreateToolbarWindow(viewer);
    struct Case {
        const char* name;
        const char* className;
        const char* title;
        HWND expected;
    };
    const Case cases[] = {
        {"by title, any class", nullptr, kSelectCustomActionTitle, editor},
        {"titles are found whatever the case", nullptr, "select custom action", editor},
        {"by class, any title: the window made last", kClientMainWindowClass, nullptr, second},
        {"classes are found whatever the case", "RCTRL_RENWND32", nullptr, second},
        {"by class and title", kClientMainWindowClass, "Inbox - Mail", viewer},
        {"a title of another class", kClientMainWindowClass, kSelectCustomActionTitle, nullptr},
        {"no such title", nullptr, "Rules Wizard", nullptr},
        {"no such class", "#32770", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindWindowA(c.className, c.title), c.expected);
    }
    EXPECT_NE(FindWindowA(nullptr, nullptr), toolbar) << "a child window is not top-level";

    DestroyWindow(second);
    EXPECT_EQ(FindWindowA(kClientMainWindowClass, nullptr), viewer);
    embedded::FailNthCall("FindWindowA", 1, E_FAIL);
    EXPECT_EQ(FindWindowA(kClientMainWindowClass, nullptr), nullptr);
}

} // namespace
