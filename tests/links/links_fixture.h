// The link operations' world for one test: drive C: in the test's own folder, its own registry
// files and time zone, the module's resources, the person at the screen, a store, and an
// options record as a command starts with it.
#pragma once

#include "options/save_options.h"
#include "platform/com_ptr.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "tests/support/drive_test.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace links_testing {

class LinksTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        InitOptions(options);
        session.Reset(store.OpenSession());
    }

    // The message as a command holds it: opened for reading and writing.
    ComPtr<IMessage> Open(const embedded::EntryId& id) {
        return ComPtr<IMessage>(store.OpenMessage(id));
    }

    testing_support::ScopedEnvironment environment;
    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    embedded::MessageStore store;
    ComPtr<IMAPISession> session;
    SaveOptions options{};
};

} // namespace links_testing
