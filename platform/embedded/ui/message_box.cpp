// Message boxes, answered by the person at the screen (the user agent).
#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags) {
    if (!embedded::EnterWin32Operation("MessageBoxA", flags)) {
        return 0;
    }
    if (owner != nullptr && embedded::LookUpWindow(owner) == nullptr) {
        SetLastError(embedded::kErrorInvalidWindowHandle);
        return 0;
    }
    embedded::UserAgent* agent = embedded::CurrentUserAgent();
    if (agent == nullptr) {
        SetLastError(ERROR_CANCELLED);
        return 0;
    }
    // The platform's default caption when the caller gives none.
    embedded::MessageBoxRequest box{owner, text == nullptr ? "" : text,
                                    caption == nullptr ? "Error" : caption, flags};
    return agent->AnswerMessageBox(box);
}
