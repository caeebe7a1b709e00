#include "module/about_box.h"

#include "module/module_instance.h"
#include "module/user_messages.h"
#include "platform/win32_text.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

namespace {

constexpr DWORD kAboutTextCapacity = 2048;
constexpr int kCaptionCapacity = 256;

} // namespace

void ShowAboutBox(HWND ownerWindow) {
    char text[kAboutTextCapacity];
    if (FormatResourceString(ModuleInstance(), resource_ids::kAboutText, text, sizeof(text),
                             kProductVersion) == 0) {
        return;
    }
    char caption[kCaptionCapacity];
    if (LoadStringA(ModuleInstance(), resource_ids::kAboutCaption, caption, kCaptionCapacity) ==
        0) {
        return;
    }
    MessageBoxA(ownerWindow, text, caption, MB_OK);
}
