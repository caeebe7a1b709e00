#include "platform/cursors.h"
#include "platform/embedded/ui/cursor_state.h"
#include "platform/keyboard.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyboardTest, HeldKeysHaveTheHighBitSet) {
    testing_support::ScriptedUser user;
    user->HoldKey(VK_CONTROL);

    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
    EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);

    user->HoldKey(VK_CONTROL, false);
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
}

TEST(CursorTest, TheWaitCursorReplacesTheArrowAndTheArrowComesBack) {
    testing_support::ScriptedUser user;
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    ASSERT_NE(wait, nullptr);
    EXPECT_EQ(embedded::SystemCursorId(wait), 32514u);

    HCURSOR previous = SetCursor(wait);
    EXPECT_EQ(embedded::SystemCursorId(previous), 32512u);
    EXPECT_EQ(embedded::CurrentCursor(), wait);
    SetCursor(previous);
    EXPECT_EQ(embedded::CurrentCursor(), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(LoadCursorA(reinterpret_cast<HINSTANCE>(0x10000000), IDC_WAIT), nullptr)
        << "the module has no cursors of its own";
}

} // namespace
