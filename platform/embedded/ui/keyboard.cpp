// The state of the Ctrl and Shift keys, as the person at the screen holds them.
#include "platform/keyboard.h"

#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"

namespace {

SHORT KeyState(int key) {
    embedded::UserAgent* agent = embedded::CurrentUserAgent();
    bool down = agent != nullptr && agent->IsKeyDown(key);
    return down ? static_cast<SHORT>(0x8000) : static_cast<SHORT>(0);
}

} // namespace

SHORT WINAPI GetKeyState(int key) {
    if (!embedded::EnterWin32Operation("GetKeyState", static_cast<std::uint32_t>(key))) {
        return 0;
    }
    return KeyState(key);
}

SHORT WINAPI GetAsyncKeyState(int key) {
    if (!embedded::EnterWin32Operation("GetAsyncKeyState", static_cast<std::uint32_t>(key))) {
        return 0;
    }
    return KeyState(key);
}
