// The module loaded in a mail client of the embedded platform, for one test: its own drive C:
// with the target folder C:\Mail\, registry files, time zone, the person at the screen, a
// store and the client window around the extension object.
#pragma once

#include "host/extension_entry.h"
#include "options/command_options.h"
#include "platform/embedded/client/extension_host.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/ui/menu_table.h"
#include "platform/embedded/store/message_store.h"
#include "platform/win32_ui.h"
#include "tests/support/drive_test.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace host_testing {

class HostTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Documents");
        session.Reset(store.OpenSession());
        host = std::make_unique<embedded::ExtensionHost>(session.Get());
    }
    void TearDown() override {
        host.reset();
        ReleaseCommandOptions();
        DriveTest::TearDown();
    }

    // The options key of the user in export format, with `values` as its lines.
    void WriteUserOptions(const std::string& values) const {
        temp.WriteFile("user.reg", "Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n" +
                                       values + "\n");
    }

    testing_support::ScopedEnvironment environment;
    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    embedded::MessageStore store;
    ComPtr<IMAPISession> session;
    std::unique_ptr<embedded::ExtensionHost> host;
};

} // namespace host_testing
