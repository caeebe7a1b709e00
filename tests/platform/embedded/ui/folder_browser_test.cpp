#include "platform/folder_browser.h"
#include "platform/shell_folders.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace {

struct BrowseStart {
    const char* folder;
    std::vector<UINT> messages;
    std::vector<LPARAM> data;
};

int CALLBACK SelectStartFolder(HWND browser, UINT message, LPARAM, LPARAM data) {
    auto* start = reinterpret_cast<BrowseStart*>(data);
    start->messages.push_back(message);
    start->data.push_back(data);
    if (message == BFFM_INITIALIZED) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start->folder));
    }
    return 0;
}

TEST(FolderBrowserTest, TheCallbackSelectsTheStartAndThePickedFolderComesBack) {
    testing_support::ScriptedUser user;
    struct Case {
        const char* name;
        std::optional<std::string> answer;
    };
    const Case cases[] = {{"picked", "C:\\Mail\\Saved\\"}, {"cancelled", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BrowseStart start{"C:\\Mail\\", {}, {}};
        char display[260] = "unchanged";
        BROWSEINFOA browse{};
        browse.pszDisplayName = display;
        browse.lpszTitle = "Please select a folder to save attachments into";
        browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        browse.lpfn = SelectStartFolder;
        browse.lParam = reinterpret_cast<LPARAM>(&start);
        user->ExpectFolderBrowser(c.answer);

        PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&browse);

        EXPECT_EQ(start.messages, std::vector<UINT>{BFFM_INITIALIZED});
        EXPECT_EQ(start.data, std::vector<LPARAM>{browse.lParam});
        const embedded::FolderBrowserRequest& seen = user->FolderBrowsers().back();
        EXPECT_EQ(seen.selection, "C:\\Mail\\");
        EXPECT_EQ(seen.flags, 0x41u);
        EXPECT_EQ(seen.title, "Please select a folder to save attachments into");
        EXPECT_EQ(list != nullptr, c.answer.has_value());
        if (c.answer) {
            char path[260] = {};
            EXPECT_TRUE(SHGetPathFromIDListA(list, path));
            EXPECT_EQ(std::string(path), *c.answer);
            EXPECT_STREQ(display, "Saved");
            // The list goes back to the shell's allocator, as the module frees it.
            IMalloc* allocator = nullptr;
            ASSERT_EQ(SHGetMalloc(&allocator), S_OK);
            allocator->Free(list);
            allocator->Release();
        }
    }
}

} // namespace
