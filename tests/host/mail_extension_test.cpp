#include "host/extension_entry.h"
#include "host/mail_extension.h"
#include "tests/host/host_fixture.h"

namespace {

class MailExtensionTest : public host_testing::HostTest {};

TEST_F(MailExtensionTest, FacetsAreHandedOutForTheClientsIdsOnly) {
    ComPtr<IExchExt> extension(CreateMailExtension());
    ASSERT_TRUE(extension);
    struct Case {
        const char* name;
        IID id;
        HRESULT result;
    } cases[] = {
        {"commands", IID_IExchExtCommands, S_OK},
        {"message events", IID_IExchExtMessageEvents, S_OK},
        {"unknown, as the commands facet", IID_IUnknown, S_OK},
        {"the extension's own id", IID_IExchExt, E_NOINTERFACE},
        {"the callback's id", IID_IExchExtCallback, E_NOINTERFACE},
    };
    for (const auto& c : cases) {
        void* facet = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(extension->QueryInterface(c.id, &facet), c.result) << c.name;
        if (c.result == S_OK) {
            ASSERT_NE(facet, nullptr) << c.name;
            static_cast<IUnknown*>(facet)->Release();
        } else {
            EXPECT_EQ(facet, nullptr) << c.name;
        }
    }
    void* unknown = nullptr;
    void* commands = nullptr;
    extension->QueryInterface(IID_IUnknown, &unknown);
    extension->QueryInterface(IID_IExchExtCommands, &commands);
    EXPECT_EQ(unknown, commands);
    static_cast<IUnknown*>(unknown)->Release();
    static_cast<IUnknown*>(commands)->Release();
    EXPECT_EQ(extension->QueryInterface(IID_IExchExtCommands, nullptr), E_POINTER);
}

TEST_F(MailExtensionTest, TheObjectGoesExactlyWithItsLastReferenceOfAnyFacet) {
    IExchExt* extension = CreateMailExtension();
    IExchExtMessageEvents* events = nullptr;
    ASSERT_EQ(
        extension->QueryInterface(IID_IExchExtMessageEvents, reinterpret_cast<void**>(&events)),
        S_OK);
    EXPECT_EQ(extension->AddRef(), 3u);
    EXPECT_EQ(extension->Release(), 2u);
    EXPECT_EQ(extension->Release(), 1u);
    // Still alive through the events facet: it answers, and its last release frees the object
    // (the sanitizers see any use after it or a leak).
    EXPECT_EQ(events->OnRead(nullptr), S_FALSE);
    EXPECT_EQ(events->Release(), 0u);
}

TEST_F(MailExtensionTest, InstallTakesPartInViewersAndMessageWindowsOnly) {
    ComPtr<IExchExt> extension(CreateMailExtension());
    for (ULONG context = 0; context <= 15; ++context) {
        const bool takesPart =
            context == 2 || context == 4 || context == 6 || context == 7 || context == 9;
        EXPECT_EQ(extension->Install(host.get(), context, 0), takesPart ? S_OK : S_FALSE)
            << context;
    }
}

TEST_F(MailExtensionTest, ASecondInstallStartsFromScratch) {
    ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER));
    auto* extension = static_cast<MailExtension*>(host->Extension());
    EXPECT_NE(extension->saveCommandId, -1);
    EXPECT_NE(extension->toolbarButtonIndex, -1);
    EXPECT_EQ(extension->mainWindow, host->Window());
    ComPtr<IExchExtMessageEvents> events;
    extension->QueryInterface(IID_IExchExtMessageEvents, reinterpret_cast<void**>(events.Out()));
    events->OnSubmit(host.get());
    EXPECT_EQ(extension->submitting, 1);

    EXPECT_EQ(extension->Install(host.get(), EECONTEXT_READNOTEMESSAGE, 0), S_OK);
    EXPECT_EQ(extension->context, EECONTEXT_READNOTEMESSAGE);
    for (LONG id : {extension->saveCommandId, extension->reattachCommandId,
                    extension->displayLinkInfoCommandId, extension->batchUpdateCommandId,
                    extension->aboutCommandId, extension->toolbarButtonIndex,
                    extension->toolbarBitmapIndex}) {
        EXPECT_EQ(id, -1);
    }
    EXPECT_EQ(extension->mainWindow, nullptr);
    EXPECT_EQ(extension->submitting, 0);
}

TEST_F(MailExtensionTest, MessageEventsAnswerThatTheClientGoesOn) {
    ComPtr<IExchExt> extension(CreateMailExtension());
    ComPtr<IExchExtMessageEvents> events;
    extension->QueryInterface(IID_IExchExtMessageEvents, reinterpret_cast<void**>(events.Out()));
    auto* object = static_cast<MailExtension*>(extension.Get());
    EXPECT_EQ(events->OnRead(host.get()), S_FALSE);
    EXPECT_EQ(events->OnReadComplete(host.get(), 0), S_FALSE);
    EXPECT_EQ(events->OnWrite(host.get()), S_FALSE);
    EXPECT_EQ(events->OnCheckNames(host.get()), S_FALSE);
    EXPECT_EQ(events->OnCheckNamesComplete(host.get(), 0), S_FALSE);
    EXPECT_EQ(events->OnSubmit(host.get()), S_FALSE);
    EXPECT_EQ(object->submitting, 1);
    EXPECT_EQ(events->OnWriteComplete(host.get(), 1), S_FALSE);
    // The client names no message being written here, so there are no links to offer back;
    // the check on a message with links is the send check's own test.
    EXPECT_EQ(events->OnWriteComplete(host.get(), 0), S_FALSE);
    events->OnSubmitComplete(host.get(), 0);
    EXPECT_EQ(object->submitting, 0);
    EXPECT_TRUE(user->MessageBoxes().empty());
}

} // namespace
