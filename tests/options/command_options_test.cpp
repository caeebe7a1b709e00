#include "options/command_options.h"

#include "options/options_persistence.h"
#include "tests/options/options_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using options_testing::kDocumentsTarget;
using options_testing::OptionsTest;

class CommandOptionsTest : public OptionsTest {
  protected:
    void TearDown() override {
        ReleaseCommandOptions();
        OptionsTest::TearDown();
    }
};

TEST_F(CommandOptionsTest, TheMachineKeyReplacesTheUsersOptions) {
    struct Case {
        const char* name;
        const char* user;    // values of the user's key, or no key
        const char* machine; // values of the machine's key, or no key
        HKEY root;
        std::int32_t appendSenderName;
        std::int32_t advancedEnabled;
        const char* target;
    };
    const Case cases[] = {
        {"no key at all", nullptr, nullptr, HKEY_CURRENT_USER, 0, 1, kDocumentsTarget},
        {"the user's key alone", "\"AN\"=dword:00000001\n\"SD\"=\"C:\\\\Mine\"", nullptr,
         HKEY_CURRENT_USER, 1, 1, "C:\\Mine\\"},
        {"an empty machine key wins with the defaults",
         "\"AN\"=dword:00000001\n\"SD\"=\"C:\\\\Mine\"", "", HKEY_LOCAL_MACHINE, 0, 1,
         kDocumentsTarget},
        {"the administrator's values, EA included", "\"AN\"=dword:00000001\n\"SD\"=\"C:\\\\Mine\"",
         "\"EA\"=dword:00000000\n\"SD\"=\"C:\\\\Shared\"", HKEY_LOCAL_MACHINE, 0, 0,
         "C:\\Shared\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        temp.WriteFile("user.reg", "");
        temp.WriteFile("machine.reg", "");
        if (c.user != nullptr) {
            WriteUserOptions(c.user);
        }
        if (c.machine != nullptr) {
            WriteMachineOptions(c.machine);
        }
        const std::shared_ptr<SaveOptions> options = AcquireCommandOptions();
        ASSERT_TRUE(options);
        EXPECT_TRUE(options->loaded);
        EXPECT_EQ(options->optionsKeyFound, c.user != nullptr || c.machine != nullptr);
        EXPECT_EQ(options->registryRoot->RootKey(), c.root);
        EXPECT_EQ(options->appendSenderName, c.appendSenderName);
        EXPECT_EQ(options->advancedEnabled, c.advancedEnabled);
        EXPECT_STREQ(options->targetFolder, c.target);
        EXPECT_EQ(CurrentCommandOptions(), options);
    }
}

TEST_F(CommandOptionsTest, AMachineKeyWithoutFullAccessCountsAsAbsent) {
    WriteUserOptions("\"AN\"=dword:00000001");
    WriteMachineOptions("\"AE\"=dword:00000001");
    // The user's key is opened first, the machine's second.
    embedded::FailNthCall("RegOpenKeyExA", 2, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    const auto options = AcquireCommandOptions();
    EXPECT_EQ(options->registryRoot->RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(options->appendSenderName, 1);
    EXPECT_EQ(options->appendSenderEmail, 0);
    for (const auto& call : embedded::CallsOf("RegOpenKeyExA")) {
        EXPECT_EQ(call.flags, KEY_ALL_ACCESS);
    }
}

TEST_F(CommandOptionsTest, AnAdministratorsRecordIsWrittenBackToTheMachineKey) {
    WriteUserOptions("\"AN\"=dword:00000000");
    WriteMachineOptions("");
    const auto options = AcquireCommandOptions();
    options->appendSubject = 1;
    SaveToRegistry(*options);
    EXPECT_NE(temp.ReadFile("machine.reg").find("\"AS\"=dword:00000001"), std::string::npos);
    EXPECT_EQ(temp.ReadFile("user.reg").find("\"AS\""), std::string::npos);
}

TEST_F(CommandOptionsTest, AReplacedRecordStaysValidForItsHolder) {
    WriteUserOptions("\"SD\"=\"C:\\\\First\"\n\"FI\"=\"first\"");
    std::shared_ptr<SaveOptions> held = AcquireCommandOptions();
    const SaveOptions* heldRecord = held.get();

    // A call in the middle of the run, after the options changed, replaces the current record.
    WriteUserOptions("\"SD\"=\"C:\\\\Second\"\n\"FI\"=\"second\"");
    const auto replacement = AcquireCommandOptions();
    EXPECT_EQ(CurrentCommandOptions(), replacement);
    EXPECT_NE(replacement.get(), heldRecord);
    EXPECT_STREQ(replacement->targetFolder, "C:\\Second\\");

    EXPECT_EQ(held.get(), heldRecord);
    EXPECT_STREQ(held->targetFolder, "C:\\First\\");
    EXPECT_STREQ(held->nameFilter, "first");
    EXPECT_EQ(held->registryRoot->RootKey(), HKEY_CURRENT_USER);

    // Once neither the module nor a holder keeps it, the record is gone.
    std::weak_ptr<SaveOptions> watched = held;
    held.reset();
    EXPECT_TRUE(watched.expired());
    ReleaseCommandOptions();
    EXPECT_FALSE(CurrentCommandOptions());
}

} // namespace
