#include "tests/support/scripted_user.h"

#include "platform/embedded/ui/cursor_state.h"
#include "platform/embedded/ui/client_windows.h"

#include <gtest/gtest.h>

namespace testing_support {

ScriptedUser::ScriptedUser() {
    embedded::ResetWindows();
    embedded::ResetCursor();
    embedded::SetUserAgent(&agent_);
}

ScriptedUser::~ScriptedUser() {
    for (const std::string& failure : agent_.Failures()) {
        ADD_FAILURE() << "user agent: " << failure;
    }
    for (const std::string& unused : agent_.Unused()) {
        ADD_FAILURE() << "user agent: scripted but never shown: " << unused;
    }
    embedded::SetUserAgent(nullptr);
    embedded::ResetWindows();
}

} // namespace testing_support
