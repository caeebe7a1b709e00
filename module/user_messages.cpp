#include "module/user_messages.h"

#include "module/module_instance.h"
#include "platform/win32_text.h"
#include "resources/resource_ids.h"
#include "platform/win32_ui.h"

#include <cstdarg>

namespace {

constexpr int kTemplateCapacity = 4096;
constexpr DWORD kTextCapacity = 4096;
constexpr int kCaptionCapacity = 256;

// Formats a string of the table with the caller's inserts and shows it; -1 when the string,
// the formatting or the caption fails, so that nothing half-made reaches the screen.
int ShowFormatted(HWND ownerWindow, UINT stringId, UINT flags, va_list* inserts) {
    const HINSTANCE instance = ModuleInstance();
    char messageTemplate[kTemplateCapacity];
    if (LoadStringA(instance, stringId, messageTemplate, kTemplateCapacity) == 0) {
        return -1;
    }
    char text[kTextCapacity];
    if (FormatMessageA(FORMAT_MESSAGE_FROM_STRING, messageTemplate, 0, 0, text, kTextCapacity,
                       inserts) == 0) {
        return -1;
    }
    char caption[kCaptionCapacity];
    if (LoadStringA(instance, resource_ids::kProductCaption, caption, kCaptionCapacity) == 0) {
        return -1;
    }
    // A box that could not be shown answers 0; callers tell it from every button by -1.
    const int answer = MessageBoxA(ownerWindow, text, caption, flags);
    return answer == 0 ? -1 : answer;
}

} // namespace

int ShowResourceMessage(HWND ownerWindow, UINT stringId, UINT flags, ...) {
    va_list inserts;
    va_start(inserts, flags);
    const int answer = ShowFormatted(ownerWindow, stringId, flags, &inserts);
    va_end(inserts);
    return answer;
}

void ShowResourceError(HWND ownerWindow, UINT stringId, ...) {
    va_list inserts;
    va_start(inserts, stringId);
    ShowFormatted(ownerWindow, stringId, MB_ICONERROR, &inserts);
    va_end(inserts);
}

int FormatResourceString(HINSTANCE instance, UINT stringId, LPSTR buffer, DWORD size, ...) {
    if (instance == nullptr || buffer == nullptr) {
        return 0;
    }
    char messageTemplate[kTemplateCapacity];
    messageTemplate[0] = '\0';
    LoadStringA(instance, stringId, messageTemplate, kTemplateCapacity);
    va_list inserts;
    va_start(inserts, size);
    const DWORD written =
        FormatMessageA(FORMAT_MESSAGE_FROM_STRING, messageTemplate, 0, 0, buffer, size, &inserts);
    va_end(inserts);
    return static_cast<int>(written);
}
