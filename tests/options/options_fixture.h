// A test's own registry files, documents folder and C: drive, for the options tests.
#pragma once

#include "base/bounded_text.h"
#include "options/save_options.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "tests/support/drive_test.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace options_testing {

inline constexpr char kDocumentsTarget[] = "C:\\Documents\\MailAttachments\\";

class OptionsTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Documents");
    }
    void TearDown() override { DriveTest::TearDown(); }

    // The options key in export format, with `values` as its lines ("\"AN\"=dword:00000001").
    static std::string OptionsFile(const std::string& root, const std::string& values) {
        return "Windows Registry Editor Version 5.00\n\n[" + root +
               "\\SOFTWARE\\Morvane\\Filvex\\Options]\n" + values + "\n";
    }
    void WriteUserOptions(const std::string& values) const {
        temp.WriteFile("user.reg", OptionsFile("HKEY_CURRENT_USER", values));
    }
    void WriteMachineOptions(const std::string& values) const {
        temp.WriteFile("machine.reg", OptionsFile("HKEY_LOCAL_MACHINE", values));
    }

    // A record on the user's root, loaded from what the test wrote.
    static SaveOptions LoadedUserOptions() {
        SaveOptions options;
        InitOptions(options);
        LoadOptions(options);
        return options;
    }

    static std::vector<std::string> RecentFolders(const SaveOptions& options) {
        std::vector<std::string> folders;
        for (const auto& folder : options.recentFolders) {
            folders.emplace_back(folder);
        }
        return folders;
    }
    // Ten entries: the given ones, then empty ones.
    static std::vector<std::string> Padded(std::vector<std::string> folders) {
        folders.resize(kRecentFolderCount);
        return folders;
    }

    testing_support::ScopedEnvironment environment;
};

} // namespace options_testing
