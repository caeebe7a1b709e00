// A save run's world for one test: drive C: in the test's own folder with the target folder
// C:\Mail\, its own registry files and time zone, a window, the person at the screen and an
// embedded store with a session.
#pragma once

#include "engine/message_context.h"
#include "base/bounded_text.h"
#include "options/save_options.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/system/system_version.h"
#include "platform/win32_ui.h"
#include "tests/support/drive_test.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace engine_testing {

class EngineTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        embedded::ResetSystemVersion();
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        std::filesystem::create_directories(temp.path() + "/Mail");
        InitOptions(options);
        BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\Mail\\");
        owner = embedded::CreateClientWindow("Inbox", RECT{0, 0, 800, 600});
        session.Reset(store.OpenSession());
    }
    void TearDown() override {
        embedded::ResetSystemVersion();
        DriveTest::TearDown();
    }

    // A record over a stored message, as the driver builds one for a selected message.
    std::unique_ptr<MessageContext> ContextFor(const embedded::EntryId& id) {
        ComPtr<IMessage> message(store.OpenMessage(id));
        return std::make_unique<MessageContext>(session.Get(), message.Get(), owner, &options);
    }

    // Every file and folder below the target folder, relative to it with "/", sorted.
    std::vector<std::string> SavedEntries() const { return temp.Tree("Mail"); }

    testing_support::ScopedEnvironment environment;
    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    embedded::MessageStore store;
    ComPtr<IMAPISession> session;
    SaveOptions options;
    HWND owner = nullptr;
};

} // namespace engine_testing
