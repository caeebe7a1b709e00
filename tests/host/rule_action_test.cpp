#include "host/rule_action.h"

#include "host/mail_extension.h"
#include "platform/embedded/client/rule_client.h"
#include "platform/embedded/ui/client_windows.h"
#include "resources/resource_ids.h"
#include "tests/host/host_fixture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

using embedded::DialogView;
using embedded::MessageDraft;
using embedded::UtcFileTime;

constexpr UINT kSaveDialog = resource_ids::kSaveAttachmentsDialog;
// The user's options: C:\Other\, the sender's name before each file, the options section
// folded, and the question whether to name each file.
constexpr char kUserOptions[] = "\"SD\"=\"C:\\\\Other\\\\\"\n\"AN\"=dword:00000001\n"
                                "\"SFN\"=dword:00000002\n\"SO\"=dword:00000000\n"
                                "\"SP\"=dword:00000001";
// Those options as a rule's string.
constexpr char kUserOptionsText[] = "v: 1|c: saveatt|b: n|p: C:\\Other\\|f: 2|r: |e: |";

class RuleActionTest : public host_testing::HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        SetLastViewerWindow(nullptr);
        WriteUserOptions(kUserOptions);
        client = std::make_unique<embedded::RuleClient>(session.Get(), nullptr);
        ASSERT_TRUE(client->Load(CreateRuleAction));
    }
    void TearDown() override {
        client.reset();
        SetLastViewerWindow(nullptr);
        HostTest::TearDown();
    }
    ICustomAction& Action() const { return *client->Action(); }

    std::string String(UINT id) const {
        char text[1024];
        return LoadStringA(module.instance(), id, text, sizeof text) > 0 ? text : "";
    }
    // The id of the control that shows `text`, or 0.
    static int ControlShowing(DialogView& dialog, const std::string& text) {
        for (int id : dialog.ControlIds()) {
            if (dialog.Text(id) == text) {
                return id;
            }
        }
        return 0;
    }
    // The references the session holds now.
    ULONG SessionReferences() const {
        session->AddRef();
        return session->Release();
    }

    // The client's two buffers: a text, then bytes the action has no business touching.
    struct Buffers {
        std::array<char, embedded::kRuleOptionCapacity> options;
        std::array<char, embedded::kRuleNameCapacity> name;
    };
    static Buffers Filled(const std::string& text) {
        Buffers buffers;
        buffers.options.fill('#');
        buffers.name.fill('*');
        std::memcpy(buffers.options.data(), text.c_str(), text.size() + 1);
        buffers.name[0] = '\0';
        return buffers;
    }
    HRESULT Configure(Buffers& buffers, ULONG optionCapacity = embedded::kRuleOptionCapacity) {
        return Action().Configure(&client->Callback(), buffers.options.data(), optionCapacity,
                                  buffers.name.data(), embedded::kRuleNameCapacity);
    }
    static bool Same(const Buffers& a, const Buffers& b) {
        return a.options == b.options && a.name == b.name;
    }

    std::unique_ptr<embedded::RuleClient> client;
};

// --- The object ---

TEST_F(RuleActionTest, TheObjectAnswersItsTwoInterfacesAndLivesByItsCount) {
    ICustomAction* action = CreateRuleAction();
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->AddRef(), 2u);
    EXPECT_EQ(action->Release(), 1u);

    struct Case {
        const char* name;
        const IID* id;
        HRESULT result;
    };
    const Case cases[] = {
        {"IUnknown", &IID_IUnknown, S_OK},
        {"the custom action", &IID_ICustomAction, S_OK},
        {"the extension's interface", &IID_IExchExt, E_NOINTERFACE},
        {"the callback's interface", &IID_IExchExtCallback, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* answered = reinterpret_cast<void*>(1);
        EXPECT_EQ(action->QueryInterface(*c.id, &answered), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(answered, action);
            EXPECT_EQ(action->Release(), 1u) << "the answer came with a reference";
        } else {
            EXPECT_EQ(answered, nullptr);
        }
    }
    EXPECT_EQ(action->QueryInterface(IID_ICustomAction, nullptr), E_POINTER);

    EXPECT_EQ(action->Reserved1(7, 9), S_OK);
    EXPECT_EQ(action->Reserved2(), S_OK);
    char name[64];
    EXPECT_EQ(action->GetDisplayName(0, 0, name, sizeof name), S_OK);
    EXPECT_STREQ(name, kRuleActionDisplayName);
    EXPECT_STREQ(kRuleActionDisplayName, "Filvex: Save Attachment");
    EXPECT_EQ(action->GetDisplayName(0, 0, name, 7), S_OK);
    EXPECT_STREQ(name, "Filvex");
    EXPECT_EQ(action->GetDisplayName(0, 0, nullptr, 0), S_OK);
    EXPECT_EQ(action->Release(), 0u);
}

// --- Configure ---

TEST_F(RuleActionTest, AnEmptyRuleOpensTheDialogOnTheUsersOptionsExpandedUnlessLocked) {
    struct Case {
        const char* name;
        std::string values;
        bool expanded;
        const char* text;
    };
    const Case cases[] = {
        {"folded in the registry, open for the rule", kUserOptions, true, kUserOptionsText},
        {"locked by the administrator", std::string(kUserOptions) + "\n\"EA\"=dword:00000000",
         false, kUserOptionsText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteUserOptions(c.values);
        const std::string registry = temp.ReadFile("user.reg");
        Buffers buffers = Filled("");
        user->ExpectDialog(kSaveDialog, [&](DialogView& dialog) {
            EXPECT_EQ(dialog.Text(IDOK), "OK");
            const int open = ControlShowing(dialog, String(resource_ids::kOptionsCollapse));
            const int closed = ControlShowing(dialog, String(resource_ids::kOptionsExpand));
            EXPECT_EQ(open != 0, c.expanded);
            EXPECT_EQ(closed != 0, !c.expanded);
            if (!c.expanded) {
                EXPECT_FALSE(dialog.Enabled(closed));
            }
            dialog.Click(IDOK);
        });
        EXPECT_EQ(Configure(buffers), S_OK);
        EXPECT_STREQ(buffers.options.data(), c.text);
        EXPECT_STREQ(buffers.name.data(), kRuleActionDisplayName);
        EXPECT_EQ(temp.ReadFile("user.reg"), registry) << "the rule's options never reach it";
    }
}

TEST_F(RuleActionTest, TheRulesTextIsWhatTheDialogOpensOnAndWhatItWritesBack) {
    const std::string registry = temp.ReadFile("user.reg");
    Buffers buffers = Filled("v: 1|c: saveatt|b: zu|p: C:\\Att|f: 5|r: .pdf|e: |");
    user->ExpectDialog(kSaveDialog, [](DialogView& dialog) { dialog.Click(IDOK); });
    EXPECT_EQ(Configure(buffers), S_OK);
    EXPECT_STREQ(buffers.options.data(), "v: 1|c: saveatt|b: zu|p: C:\\Att\\|f: 5|r: .pdf|e: |");
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() + "/Att")) << "Save Now made it";
    EXPECT_EQ(temp.ReadFile("user.reg"), registry);
}

TEST_F(RuleActionTest, CancelLeavesTheRuleAsItWas) {
    const std::string registry = temp.ReadFile("user.reg");
    for (const char* text : {"", "v: 1|c: saveatt|b: d|p: C:\\Mail\\|f: 0|r: |e: |"}) {
        SCOPED_TRACE(text);
        Buffers buffers = Filled(text);
        const Buffers before = buffers;
        user->ExpectDialog(kSaveDialog, [](DialogView& dialog) { dialog.Click(IDCANCEL); });
        EXPECT_EQ(Configure(buffers), S_FALSE);
        EXPECT_TRUE(Same(buffers, before));
    }
    EXPECT_EQ(temp.ReadFile("user.reg"), registry);
}

TEST_F(RuleActionTest, TheTextMustFitTheClientsBufferWithItsTerminator) {
    const std::string text = kUserOptionsText;
    struct Case {
        const char* name;
        ULONG capacity;
        HRESULT result;
    };
    const Case cases[] = {
        {"capacity minus one characters fit", static_cast<ULONG>(text.size() + 1), S_OK},
        {"as many characters as the capacity do not", static_cast<ULONG>(text.size()),
         TYPE_E_BUFFERTOOSMALL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Buffers buffers = Filled("");
        const Buffers before = buffers;
        user->ExpectDialog(kSaveDialog, [](DialogView& dialog) { dialog.Click(IDOK); });
        EXPECT_EQ(Configure(buffers, c.capacity), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(std::string(buffers.options.data()), text);
            EXPECT_EQ(buffers.options[text.size() + 1], '#') << "nothing past the text";
        } else {
            EXPECT_TRUE(Same(buffers, before));
        }
    }
}

TEST_F(RuleActionTest, WhatStopsConfigureLeavesTheRuleAsItWas) {
    const std::string registry = temp.ReadFile("user.reg");
    client.reset();
    const ULONG references = SessionReferences();
    struct Case {
        const char* name;
        std::function<void()> arrange;
        HRESULT result;
    };
    const Case cases[] = {
        {"no session from the client", [&] { client->Callback().Refuse("QuerySession"); },
         MAPI_E_CALL_FAILED},
        {"the dialog cannot be shown",
         [] { embedded::FailEveryCall("DialogBoxParamA", E_OUTOFMEMORY); }, E_FAIL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client = std::make_unique<embedded::RuleClient>(session.Get(), nullptr);
        ASSERT_TRUE(client->Load(CreateRuleAction));
        c.arrange();
        Buffers buffers = Filled("v: 1|c: saveatt|b: d|p: C:\\Mail\\|f: 0|r: |e: |");
        const Buffers before = buffers;
        EXPECT_EQ(Configure(buffers), c.result);
        EXPECT_TRUE(Same(buffers, before));
        embedded::ClearFaults();
    }
    EXPECT_TRUE(user->Dialogs().empty());
    client.reset();
    EXPECT_EQ(SessionReferences(), references);
    EXPECT_EQ(temp.ReadFile("user.reg"), registry);
    ICustomAction* action = CreateRuleAction();
    EXPECT_EQ(action->Configure(nullptr, nullptr, 0, nullptr, 0), E_INVALIDARG);
    action->Release();
}

TEST_F(RuleActionTest, AValueTheStringCannotCarryIsRefusedInTheDialog) {
    WriteUserOptions("\"SD\"=\"C:\\\\Mail\\\\\"\n\"EX\"=\"cmd /c type | more\"");
    Buffers buffers = Filled("");
    const Buffers before = buffers;
    user->ExpectDialog(kSaveDialog, [&](DialogView& dialog) {
        user->ExpectMessageBox(IDOK);
        dialog.Click(IDOK);
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(IDCANCEL);
    });
    EXPECT_EQ(Configure(buffers), S_FALSE);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].text, String(resource_ids::kRuleValueRefused));
    EXPECT_TRUE(Same(buffers, before));
}

TEST_F(RuleActionTest, TheOwnerIsTheCallbacksWindowThenTheEditorThenTheViewerThenAnyMainWindow) {
    ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER)); // records its viewer window
    HWND viewer = host->Window();
    HWND other =
        embedded::CreateClientWindow("Calendar", RECT{0, 0, 900, 700}, kClientMainWindowClass);
    HWND editor = embedded::CreateClientWindow(kSelectCustomActionTitle, RECT{0, 0, 400, 300});
    HWND given = embedded::CreateClientWindow("Rules and Alerts", RECT{0, 0, 600, 400});
    embedded::ActionCallback& callback = client->Callback();

    callback.SetOwner(given);
    EXPECT_EQ(FindOwnerWindow(&callback), given);
    callback.SetOwner(nullptr);
    EXPECT_EQ(FindOwnerWindow(&callback), editor);
    embedded::ActionCallback refusing(session.Get(), given);
    refusing.Refuse("QueryOwnerWindow");
    EXPECT_EQ(FindOwnerWindow(&refusing), editor);
    DestroyWindow(editor);
    EXPECT_EQ(FindOwnerWindow(&callback), viewer);
    DestroyWindow(viewer);
    EXPECT_EQ(FindOwnerWindow(&callback), other) << "a closed viewer owns nothing";
    DestroyWindow(other);
    EXPECT_EQ(FindOwnerWindow(&callback), nullptr);

    // The dialog has the owner the chain found.
    HWND second = embedded::CreateClientWindow(kSelectCustomActionTitle, RECT{0, 0, 400, 300});
    Buffers buffers = Filled("");
    user->ExpectDialog(kSaveDialog, [&](DialogView& dialog) {
        EXPECT_EQ(GetParent(dialog.Handle()), second);
        dialog.Click(IDCANCEL);
    });
    EXPECT_EQ(Configure(buffers), S_FALSE);
}

// --- Execute ---

TEST_F(RuleActionTest, ExecuteSavesTheMessageByTheRulesOptionsWithoutAWord) {
    struct Case {
        const char* name;
        std::string text;
        const char* folder;
        std::vector<std::string> files;
        std::size_t attachmentsLeft;
    };
    const Case cases[] = {
        {"the string's options",
         "v: 1|c: saveatt|b: d|p: C:\\Mail\\|f: 1|r: |e: |",
         "Mail",
         {"Ann Lee/", "Ann Lee/2024-03-05 - a.txt", "Ann Lee/2024-03-05 - b.pdf"},
         2},
        {"filtered and removed",
         "v: 1|c: saveatt|b: r|p: C:\\Mail\\|f: 0|r: .pdf|e: |",
         "Mail",
         {"b.pdf"},
         1},
        {"no string: the user's options",
         "",
         "Other",
         {"2024-03-05/", "2024-03-05/Ann Lee - a.txt", "2024-03-05/Ann Lee - b.pdf"},
         2},
    };
    const std::string registry = temp.ReadFile("user.reg");
    const ULONG references = SessionReferences();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Configure made the folder; the rule itself makes none.
        std::filesystem::remove_all(temp.path() + "/" + c.folder);
        std::filesystem::create_directory(temp.path() + "/" + c.folder);
        const embedded::EntryId message =
            store.AddMessage(MessageDraft()
                                 .From("Ann Lee", "ann@example.com")
                                 .Subject("Figures")
                                 .Received(UtcFileTime(2024, 3, 5, 14, 7, 9))
                                 .File("a.txt", "alpha")
                                 .File("b.pdf", "%PDF"));
        EXPECT_EQ(client->Execute(c.text, message), S_OK);
        EXPECT_EQ(temp.Tree(c.folder), c.files);
        EXPECT_EQ(store.Read(message).attachments.size(), c.attachmentsLeft);
    }
    // No dialog, no question, no box: the scripted user was asked nothing.
    EXPECT_TRUE(user->Dialogs().empty());
    EXPECT_TRUE(user->MessageBoxes().empty());
    EXPECT_TRUE(user->FileDialogs().empty());
    EXPECT_EQ(temp.ReadFile("user.reg"), registry);
    EXPECT_EQ(SessionReferences(), references);
}

TEST_F(RuleActionTest, ExecuteOnAnEntryThatIsNoMessageDoesNothing) {
    const embedded::EntryId message = store.AddMessage(MessageDraft().File("a.txt", "alpha"));
    EXPECT_EQ(client->Execute("v: 1|c: saveatt|b: |p: C:\\Mail\\|f: 0|r: |e: |", store.Inbox()),
              S_OK);
    EXPECT_FALSE(std::filesystem::exists(temp.path() + "/Mail"));
    EXPECT_EQ(store.Read(message).attachments.size(), 1u);
}

TEST_F(RuleActionTest, ExecuteReturnsTheFailuresOfTheSessionAndOpenEntryUnchanged) {
    const embedded::EntryId message = store.AddMessage(MessageDraft().File("a.txt", "alpha"));
    const std::string text = "v: 1|c: saveatt|b: |p: C:\\Mail\\|f: 0|r: |e: |";
    client.reset();
    const ULONG references = SessionReferences();
    embedded::EntryId unknown = message;
    unknown.bytes.back() ^= 0x5A;
    ULONG type = 0;
    ComPtr<IUnknown> none;
    const HRESULT unknownResult = session->OpenEntry(unknown.Size(), unknown.Get(), nullptr,
                                                     MAPI_BEST_ACCESS, &type, none.Out());
    ASSERT_TRUE(FAILED(unknownResult));
    struct Case {
        const char* name;
        std::function<void()> arrange;
        embedded::EntryId entry;
        HRESULT result;
    };
    const Case cases[] = {
        {"no session", [&] { client->Callback().Refuse("QuerySession"); }, message,
         MAPI_E_CALL_FAILED},
        {"the message cannot be opened",
         [] { embedded::FailNthCall("OpenEntry", 1, MAPI_E_NO_ACCESS); }, message,
         MAPI_E_NO_ACCESS},
        {"an identifier the store does not know", [] {}, unknown, unknownResult},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        client = std::make_unique<embedded::RuleClient>(session.Get(), nullptr);
        ASSERT_TRUE(client->Load(CreateRuleAction));
        c.arrange();
        EXPECT_EQ(client->Execute(text, c.entry), c.result);
        embedded::ClearFaults();
    }
    // A target folder gone since the rule was configured is not made again: the save fails.
    client = std::make_unique<embedded::RuleClient>(session.Get(), nullptr);
    ASSERT_TRUE(client->Load(CreateRuleAction));
    EXPECT_TRUE(FAILED(client->Execute(text, message)));
    client.reset();
    EXPECT_EQ(SessionReferences(), references);
    EXPECT_FALSE(std::filesystem::exists(temp.path() + "/Mail"));
    EXPECT_EQ(store.Read(message).attachments.size(), 1u);
    ICustomAction* action = CreateRuleAction();
    EXPECT_EQ(action->Execute(nullptr, nullptr, 0, nullptr), E_INVALIDARG);
    action->Release();
}

} // namespace
