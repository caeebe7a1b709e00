#include "platform/embedded/trace/fault_injection.h"
#include "platform/win32_registry.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* OptionsKey = "SOFTWARE\\Morvane\\Filvex\\Options";

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        environment.Set("FILVEX_USER_REGISTRY", UserFile());
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/etc/machine.reg");
    }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    std::string UserFile() const { return temp.path() + "/config/filvex/user.reg"; }

    // The options key created under the user's root, with its values written.
    void WriteOptions() {
        HKEY key = nullptr;
        DWORD disposition = 0;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                  &disposition),
                  ERROR_SUCCESS);
        EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
        const DWORD ten = 10;
        EXPECT_EQ(RegSetValueExA(key, "SFN", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ten),
                                 sizeof ten),
                  ERROR_SUCCESS);
        const char folder[] = "C:\\Mail \"Saved\"\\";
        EXPECT_EQ(RegSetValueExA(key, "SD", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder),
                                 sizeof folder),
                  ERROR_SUCCESS);
        const BYTE blob[] = {0x01, 0xAB};
        EXPECT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }

    testing_support::TempFolder temp;
    testing_support::ScopedEnvironment environment;
};

TEST_F(RegistryTest, ValuesRoundTripThroughTheFile) {
    WriteOptions();
    EXPECT_EQ(temp.ReadFile("config/filvex/user.reg"),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE]\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane]\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex]\n\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
              "\"SFN\"=dword:0000000a\n"
              "\"SD\"=\"C:\\\\Mail \\\"Saved\\\"\\\\\"\n"
              "\"Blob\"=hex:01,ab\n\n");

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\MORVANE\\filvex\\options", 0,
                            KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof number;
    EXPECT_EQ(RegQueryValueExA(key, "sfn", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(number, 10u);

    // Size query, then a buffer one byte short, then one that fits.
    size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "SD", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 17u); // the text and its terminator
    char text[32] = {};
    size = 16;
    EXPECT_EQ(RegQueryValueExA(key, "SD", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 17u);
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "SD", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(text, "C:\\Mail \"Saved\"\\");

    EXPECT_EQ(RegQueryValueExA(key, "FI", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "blob"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Morvane\\Other", 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, OptionsKey, 0, KEY_READ, &missing),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, AHandEditedFileIsRead) {
    temp.WriteFile("config/filvex/user.reg",
                   "Windows Registry Editor Version 5.00\r\n"
                   "\r\n"
                   "; set by hand\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Morvane\\Filvex\\Options]\r\n"
                   "\"SEPD\"=\"/\"\r\n"
                   "\"an\"=dword:00000007\r\n"
                   "\"Wide\"=hex:01,02,\\\r\n"
                   "  03\r\n");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD number = 0;
    DWORD size = sizeof number;
    EXPECT_EQ(
        RegQueryValueExA(key, "AN", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(number, 7u);
    char text[8] = {};
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "SEPD", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "/");
    BYTE bytes[8] = {};
    size = sizeof bytes;
    EXPECT_EQ(RegQueryValueExA(key, "Wide", nullptr, nullptr, bytes, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(bytes[2], 0x03);
    // A read-only key takes no values.
    EXPECT_EQ(RegSetValueExA(key, "AN", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, AFailedReplaceLeavesTheOldFile) {
    WriteOptions();
    const std::string before = temp.ReadFile("config/filvex/user.reg");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    embedded::FailNthCall("ReplaceRegistryFile", 1, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    const DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(key, "AN", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
              static_cast<LONG>(ERROR_DISK_FULL));
    EXPECT_EQ(temp.ReadFile("config/filvex/user.reg"), before);
    // Nothing but the file itself is left in its folder.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path() + "/config/filvex")) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"user.reg"});
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, FullAccessIsRefusedWhenTheFileCannotBeReplaced) {
    WriteOptions();
    HKEY key = nullptr;
    embedded::FailNthCall("RegOpenKeyExA", 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, KEY_ALL_ACCESS, &key),
              static_cast<LONG>(ERROR_ACCESS_DENIED));

    ASSERT_EQ(chmod(UserFile().c_str(), 0444), 0);
    ASSERT_EQ(chmod((temp.path() + "/config/filvex").c_str(), 0555), 0);
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    if (access(UserFile().c_str(), W_OK) == 0) {
        GTEST_SKIP() << "running with rights that permission bits do not limit";
    }
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, KEY_ALL_ACCESS, &key),
              static_cast<LONG>(ERROR_ACCESS_DENIED));
}

} // namespace

namespace {

TEST_F(RegistryTest, ValuesAreListedInTheirOrderUntilNoMoreItems) {
    WriteOptions();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[16];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        BYTE data[64];
        DWORD dataSize = sizeof data;
        LONG status = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        ASSERT_EQ(status, ERROR_SUCCESS) << index;
        EXPECT_EQ(nameSize, std::strlen(name));
        names.push_back(name + std::string("/") + std::to_string(type) + "/" +
                        std::to_string(dataSize));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"SFN/4/4", "SD/1/17", "Blob/3/2"}));

    char small[3];
    DWORD smallSize = sizeof small;
    EXPECT_EQ(RegEnumValueA(key, 2, small, &smallSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(smallSize, 5u);
    BYTE tiny[1];
    DWORD tinySize = sizeof tiny;
    char name[16];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, tiny, &tinySize),
              ERROR_MORE_DATA);
    EXPECT_EQ(tinySize, 17u);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

} // namespace
