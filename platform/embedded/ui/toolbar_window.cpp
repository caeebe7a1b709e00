// The host's toolbar: it takes button images from a module's bitmap resources, as the common
// controls do for TB_ADDBITMAP with an instance and a resource id.
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/toolbar.h"

#include <cstring>

namespace embedded {
namespace {

// Button images are 16 by 16 pixels, 16 colours: the .bmp the toolbar can take.
bool IsButtonImage(std::span<const BYTE> bytes) {
    constexpr std::size_t kHeaders = 14 + 40;
    if (bytes.size() < kHeaders || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    auto number = [&](std::size_t at, std::size_t size) {
        std::int64_t value = 0;
        for (std::size_t i = size; i-- > 0;) {
            value = (value << 8) | bytes[at + i];
        }
        return value;
    };
    const std::int64_t width = static_cast<std::int32_t>(number(18, 4));
    const std::int64_t height = static_cast<std::int32_t>(number(22, 4));
    const std::int64_t bitsPerPixel = number(28, 2);
    const std::int64_t pixelsAt = number(10, 4);
    // 16 rows of 8 bytes (16 pixels at 4 bits, already a multiple of 4 bytes).
    return width == 16 && (height == 16 || height == -16) && bitsPerPixel == 4 &&
           pixelsAt >= static_cast<std::int64_t>(kHeaders) &&
           static_cast<std::size_t>(pixelsAt) + 16 * 8 <= bytes.size();
}

} // namespace

LRESULT ToolbarMessage(Window& toolbar, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != TB_ADDBITMAP) {
        return 0;
    }
    const auto* add = reinterpret_cast<const TBADDBITMAP*>(lParam);
    if (add == nullptr || wParam != 1) {
        return -1;
    }
    const ModuleResources* resources = ResourcesOf(add->hInst);
    if (resources == nullptr) {
        return -1;
    }
    for (const BitmapResource& bitmap : resources->bitmaps) {
        if (bitmap.id == add->nID && IsButtonImage(bitmap.bytes)) {
            toolbar.images.emplace_back(add->hInst, bitmap.id);
            return static_cast<LRESULT>(toolbar.images.size() - 1);
        }
    }
    return -1;
}

HWND CreateToolbarWindow(HWND parent) {
    Window window;
    window.kind = WindowKind::Toolbar;
    window.parent = parent;
    window.style = WS_CHILD | WS_VISIBLE;
    return AddWindow(window);
}

std::vector<ToolbarImage> ToolbarImages(HWND toolbar) {
    std::vector<ToolbarImage> images;
    if (const Window* record = LookUpWindow(toolbar)) {
        for (const auto& [instance, id] : record->images) {
            images.push_back({instance, id});
        }
    }
    return images;
}

} // namespace embedded
