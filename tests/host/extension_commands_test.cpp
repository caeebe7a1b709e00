#include "host/mail_extension.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_menus.h"
#include "tests/host/host_fixture.h"

#include <cstring>

namespace {

using embedded::kFirstExtensionCommand;
using embedded::kFirstFreeButton;

class ExtensionCommandsTest : public host_testing::HostTest {
  protected:
    MailExtension& Loaded(ULONG context) {
        EXPECT_TRUE(host->Load(CreateMailExtension, context));
        return *static_cast<MailExtension*>(host->Extension());
    }
    // The texts and ids of the "Filvex" submenu, or empty when there is none.
    std::vector<std::pair<std::string, UINT>> Submenu() const {
        HMENU tools = host->ToolsMenu();
        const int count = GetMenuItemCount(tools);
        HMENU popup = count > 0 ? GetSubMenu(tools, count - 1) : nullptr;
        if (popup == nullptr) {
            return {};
        }
        char title[64];
        GetMenuStringA(tools, static_cast<UINT>(count - 1), title, sizeof(title), MF_BYPOSITION);
        EXPECT_STREQ(title, "Filvex");
        EXPECT_EQ(GetMenuState(tools, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
                  MF_SEPARATOR);
        std::vector<std::pair<std::string, UINT>> items;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            char text[64];
            GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
            items.emplace_back(text, GetMenuItemID(popup, i));
        }
        return items;
    }
};

TEST_F(ExtensionCommandsTest, EachContextGetsItsMenuAndCommandIds) {
    const UINT base = kFirstExtensionCommand;
    using Items = std::vector<std::pair<std::string, UINT>>;
    struct Case {
        const char* name;
        ULONG context;
        UINT taken;
        Items items;
        bool button;
    } cases[] = {
        {"viewer",
         EECONTEXT_VIEWER,
         5,
         {{"&Save Attachments...", base},
          {"&Display Link Info", base + 1},
          {"&Reattach Links", base + 2},
          {"&Batch-Update Links...", base + 3},
          {"&About Filvex", base + 4}},
         true},
        {"search viewer", EECONTEXT_SEARCHVIEWER, 5, {}, true},
        {"read note",
         EECONTEXT_READNOTEMESSAGE,
         3,
         {{"&Save Attachments...", base},
          {"&Display Link Info", base + 1},
          {"&About Filvex", base + 2}},
         true},
        {"read post", EECONTEXT_READPOSTMESSAGE, 3, {}, true},
        {"compose", EECONTEXT_SENDNOTEMESSAGE, 0, {}, false},
    };
    for (const auto& c : cases) {
        host = std::make_unique<embedded::ExtensionHost>(session.Get());
        MailExtension& extension = Loaded(c.context);
        EXPECT_EQ(host->NextCommand() - base, c.taken) << c.name;
        if (!c.items.empty()) {
            EXPECT_EQ(Submenu(), c.items) << c.name;
        }
        if (c.taken == 0) {
            EXPECT_TRUE(Submenu().empty()) << c.name;
        }
        EXPECT_EQ(host->ToolbarEntry().itbbBase, kFirstFreeButton + (c.button ? 1 : 0)) << c.name;
        EXPECT_EQ(extension.toolbarButtonIndex, c.button ? static_cast<LONG>(kFirstFreeButton) : -1)
            << c.name;
    }
}

TEST_F(ExtensionCommandsTest, TheButtonShowsTheModulesImageAndRunsSave) {
    MailExtension& extension = Loaded(EECONTEXT_VIEWER);
    auto images = embedded::ToolbarImages(host->Toolbar());
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].instance, module.instance());
    EXPECT_EQ(images[0].bitmapId, 102u);
    EXPECT_EQ(extension.toolbarBitmapIndex, 0);

    TBBUTTON button{};
    char text[128] = "";
    EXPECT_EQ(host->Commands()->QueryButtonInfo(EETBID_STANDARD, kFirstFreeButton, &button, text,
                                                sizeof(text), 0),
              S_OK);
    EXPECT_EQ(button.iBitmap, 0);
    EXPECT_EQ(button.idCommand, static_cast<int>(kFirstExtensionCommand));
    EXPECT_EQ(button.fsState, TBSTATE_ENABLED);
    EXPECT_EQ(button.fsStyle, TBSTYLE_BUTTON);
    EXPECT_EQ(button.iString, -1);
    EXPECT_STREQ(text, "Filvex: Save Attachments");

    TBBUTTON untouched{};
    std::memset(&untouched, 0x5A, sizeof(untouched));
    TBBUTTON copy = untouched;
    EXPECT_EQ(host->Commands()->QueryButtonInfo(EETBID_STANDARD, kFirstFreeButton + 1, &copy,
                                                nullptr, 0, 0),
              S_FALSE);
    EXPECT_EQ(std::memcmp(&copy, &untouched, sizeof(copy)), 0);
}

TEST_F(ExtensionCommandsTest, HelpTextsBelongToTheSaveCommandOnly) {
    MailExtension& extension = Loaded(EECONTEXT_VIEWER);
    IExchExtCommands* commands = host->Commands();
    char text[128];
    struct Case {
        LONG command;
        ULONG flags;
        HRESULT result;
        const char* text;
    } cases[] = {
        {extension.saveCommandId, EECQHT_STATUS, S_OK, "Save Attachments in selected message(s)"},
        {extension.saveCommandId, EECQHT_TOOLTIP, S_OK, "Filvex: Save Attachments"},
        {extension.saveCommandId, 4, S_OK, "kept"},
        {extension.aboutCommandId, EECQHT_STATUS, S_FALSE, "kept"},
        {extension.aboutCommandId + 7, EECQHT_TOOLTIP, S_FALSE, "kept"},
    };
    for (const auto& c : cases) {
        std::strcpy(text, "kept");
        EXPECT_EQ(
            commands->QueryHelpText(static_cast<UINT>(c.command), c.flags, text, sizeof(text)),
            c.result)
            << c.command << "/" << c.flags;
        EXPECT_STREQ(text, c.text) << c.command << "/" << c.flags;
    }
    EXPECT_EQ(commands->Help(host.get(), static_cast<UINT>(extension.saveCommandId)), S_FALSE);
    EXPECT_EQ(commands->ResetToolbar(EETBID_STANDARD, 0), S_OK);
}

TEST_F(ExtensionCommandsTest, WithoutTheMenuOnlySaveAndItsButtonExist) {
    host->Refuse("GetMenuPos");
    MailExtension& extension = Loaded(EECONTEXT_VIEWER);
    EXPECT_EQ(host->NextCommand(), kFirstExtensionCommand + 1);
    EXPECT_TRUE(Submenu().empty());
    EXPECT_EQ(extension.saveCommandId, static_cast<LONG>(kFirstExtensionCommand));
    for (LONG id : {extension.reattachCommandId, extension.displayLinkInfoCommandId,
                    extension.batchUpdateCommandId, extension.aboutCommandId}) {
        EXPECT_EQ(id, -1);
    }
    EXPECT_EQ(extension.toolbarButtonIndex, static_cast<LONG>(kFirstFreeButton));
    char text[128] = "";
    EXPECT_EQ(
        host->Commands()->QueryHelpText(kFirstExtensionCommand, EECQHT_TOOLTIP, text, sizeof(text)),
        S_OK);
    EXPECT_STREQ(text, "Filvex: Save Attachments");
}

TEST_F(ExtensionCommandsTest, WithoutASessionNothingIsInstalled) {
    host->Refuse("GetSession");
    MailExtension& extension = Loaded(EECONTEXT_VIEWER);
    EXPECT_EQ(host->NextCommand(), kFirstExtensionCommand);
    EXPECT_EQ(extension.saveCommandId, -1);
    EXPECT_EQ(extension.toolbarButtonIndex, -1);
    EXPECT_TRUE(Submenu().empty());
}

TEST_F(ExtensionCommandsTest, OnlyTheLastStandardToolbarGetsTheButton) {
    ComPtr<IExchExt> extension(CreateMailExtension());
    ASSERT_EQ(extension->Install(host.get(), EECONTEXT_VIEWER, 0), S_OK);
    ComPtr<IExchExtCommands> commands;
    extension->QueryInterface(IID_IExchExtCommands, reinterpret_cast<void**>(commands.Out()));
    auto& object = *static_cast<MailExtension*>(extension.Get());
    HWND other = embedded::CreateToolbarWindow(host->Window());
    TBENTRY entries[] = {
        {host->Toolbar(), EETBID_STANDARD, 0, 3},
        {other, 2, 0, 7},
        {nullptr, EETBID_STANDARD, 0, 11}, // the last standard one, without a window
        {other, 3, 0, 13},
    };
    UINT base = 500;
    commands->InstallCommands(host.get(), host->Window(), nullptr, &base, entries, 4, 0);
    EXPECT_EQ(object.toolbarButtonIndex, 11);
    EXPECT_EQ(object.toolbarBitmapIndex, -1);
    EXPECT_EQ(entries[2].itbbBase, 12u);
    EXPECT_EQ(entries[0].itbbBase, 3u);
    EXPECT_TRUE(embedded::ToolbarImages(host->Toolbar()).empty());

    TBENTRY none[] = {{other, 2, 0, 7}};
    commands->InstallCommands(host.get(), host->Window(), nullptr, &base, none, 1, 0);
    EXPECT_EQ(none[0].itbbBase, 7u);
}

TEST_F(ExtensionCommandsTest, CommandsOfOtherObjectsAreLeftToTheClient) {
    MailExtension& extension = Loaded(EECONTEXT_VIEWER);
    EXPECT_EQ(host->DoCommand(kFirstExtensionCommand + 5), S_FALSE);
    EXPECT_EQ(host->DoCommand(static_cast<UINT>(-1)), S_FALSE);
    user->ExpectMessageBox(IDOK);
    EXPECT_EQ(host->DoCommand(static_cast<UINT>(extension.aboutCommandId)), S_OK);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].caption, "About Filvex");
    EXPECT_EQ(user->MessageBoxes()[0].owner, host->Window());
}

} // namespace
