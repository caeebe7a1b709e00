#include "module/about_box.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_ui.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace {

TEST(AboutBoxTest, NamesTheProductAndVersionFirstAndThanksLast) {
    embedded::ResetPlatformTrace();
    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    HWND owner = embedded::CreateClientWindow("Inbox", RECT{0, 0, 800, 600});
    user->ExpectMessageBox(IDOK);
    ShowAboutBox(owner);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    const auto& box = user->MessageBoxes()[0];
    EXPECT_EQ(box.caption, "About Filvex");
    EXPECT_EQ(box.type, MB_OK);
    EXPECT_EQ(box.text.rfind("Filvex 4.3.3.128\n", 0), 0u) << box.text;
    const std::string last = "Thank you for using Filvex.";
    ASSERT_GE(box.text.size(), last.size());
    EXPECT_EQ(box.text.substr(box.text.size() - last.size()), last);
}

} // namespace
