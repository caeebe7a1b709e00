// Windows that exist outside the module: the mail client's main window that owns the module's
// boxes and dialogs. A test or the command-line host creates them.
#pragma once

#include "platform/win32_windows.h"

#include <cstddef>
#include <string>
#include <vector>

namespace embedded {

// A captioned top-level window of the given class at the given screen rectangle.
HWND CreateClientWindow(const std::string& caption, const RECT& screenRect,
                        const std::string& className = {});
// The client window's standard toolbar, inside it.
HWND CreateToolbarWindow(HWND parent);
// The images a toolbar holds, in order, each named by its module and bitmap resource id.
struct ToolbarImage {
    HINSTANCE instance;
    UINT bitmapId;
};
std::vector<ToolbarImage> ToolbarImages(HWND toolbar);
// Every window gone, the focus and the active window cleared: what a test fixture does first.
void ResetWindows();
// Windows alive apart from the desktop; a finished dialog leaves none behind.
std::size_t LiveWindowCount();

// The desktop's size in pixels.
constexpr LONG kScreenWidth = 1920;
constexpr LONG kScreenHeight = 1080;
// The frame of a captioned window, in pixels: 3 on each side and a caption of 19 above the
// client area, as the classic theme draws them at 96 dpi.
constexpr LONG kFrameWidth = 3;
constexpr LONG kCaptionHeight = 19;

} // namespace embedded
