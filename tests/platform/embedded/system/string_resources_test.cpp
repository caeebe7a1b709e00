#include "platform/embedded/system/module_loader.h"
#include "platform/win32_ui.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr StringResource kStrings[] = {{100, "Filvex"}, {137, "No links."}};
const ModuleResources kResources{kStrings, {}, {}};

TEST(LoadStringTest, CopiesCutsAndRefuses) {
    HINSTANCE instance = embedded::LoadModule(kResources);
    struct Case {
        const char* name;
        HINSTANCE instance;
        UINT id;
        int capacity;
        int copied;
        const char* text;
    };
    const Case cases[] = {
        {"whole text", instance, 100, 64, 6, "Filvex"},
        {"exact fit", instance, 100, 7, 6, "Filvex"},
        {"cut to the buffer, terminated", instance, 137, 4, 3, "No "},
        {"missing id", instance, 101, 64, 0, ""},
        {"unknown instance", reinterpret_cast<HINSTANCE>(0x1234), 100, 64, 0, "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[64] = "unchanged";
        EXPECT_EQ(LoadStringA(c.instance, c.id, buffer, c.capacity), c.copied);
        EXPECT_STREQ(buffer, c.text);
    }

    // Capacity 0 hands out the resource itself.
    LPCSTR text = nullptr;
    EXPECT_EQ(LoadStringA(instance, 137, reinterpret_cast<LPSTR>(&text), 0), 9);
    EXPECT_STREQ(text, "No links.");

    embedded::UnloadModule(instance);
    char buffer[64];
    EXPECT_EQ(LoadStringA(instance, 100, buffer, sizeof buffer), 0);
}

} // namespace
