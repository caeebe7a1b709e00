#include "platform/embedded/registry/expected_types.h"
#include "platform/embedded/trace/call_log.h"
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
    // The change reaches the file when the key is closed, and so does its failure.
    EXPECT_EQ(RegSetValueExA(key, "AN", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
              ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_DISK_FULL));
    EXPECT_EQ(temp.ReadFile("config/filvex/user.reg"), before);
    // Nothing but the file itself is left in its folder.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path() + "/config/filvex")) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"user.reg"});
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
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

namespace {

// A value written through an open key, as the options are saved.
void SetNumber(HKEY key, const char* name, DWORD number) {
    EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
              ERROR_SUCCESS)
        << name;
}

HKEY OpenOptions(REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, access, &key), ERROR_SUCCESS);
    return key;
}

std::string Utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

TEST_F(RegistryTest, ManyValuesSavedThroughOneKeyAreOneRewrite) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, OptionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (int i = 0; i < 21; ++i) {
        SetNumber(key, ("V" + std::to_string(i)).c_str(), static_cast<DWORD>(i));
    }
    // Read back before the close: the calls see their own changes.
    DWORD number = 0;
    DWORD size = sizeof number;
    EXPECT_EQ(
        RegQueryValueExA(key, "V20", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(number, 20u);
    EXPECT_TRUE(embedded::CallsOf("ReplaceRegistryFile").empty());
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(embedded::CallsOf("ReplaceRegistryFile").size(), 1u);
    EXPECT_NE(temp.ReadFile("config/filvex/user.reg").find("\"V20\"=dword:00000014"),
              std::string::npos);
}

TEST_F(RegistryTest, ARewriteKeepsWhatItDidNotTouchInPlace) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    } cases[] = {
        {"comments, other keys and roots, values not understood",
         "Windows Registry Editor Version 5.00\n"
         "\n"
         "; kept by the administrator\n"
         "[HKEY_CURRENT_USER\\Software\\Other]\n"
         "\"Keep\"=\"me\"\n"
         "\n"
         "[HKEY_CLASSES_ROOT\\.msg]\n"
         "@=\"Msg\"\n"
         "\n"
         "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
         "; the mode\n"
         "\"AN\"=dword:00000000\n"
         "\"Odd\"=strange:thing\n"
         "\"SD\"=\"C:\\\\Mail\\\\\"\n"
         "\n"
         "; end\n",
         "Windows Registry Editor Version 5.00\n"
         "\n"
         "; kept by the administrator\n"
         "[HKEY_CURRENT_USER\\Software\\Other]\n"
         "\"Keep\"=\"me\"\n"
         "\n"
         "[HKEY_CLASSES_ROOT\\.msg]\n"
         "@=\"Msg\"\n"
         "\n"
         "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
         "; the mode\n"
         "\"AN\"=dword:00000001\n"
         "\"Odd\"=strange:thing\n"
         "\"SD\"=\"C:\\\\Mail\\\\\"\n"
         "\"New\"=dword:00000002\n"
         "\n"
         "; end\n"},
        {"line ends and the way a value was written",
         "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\r\n"
         "\"Wide\"=hex:01,02,\\\r\n"
         "  03\r\n"
         "\"an\"  =  dword:00000007\r\n",
         "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\r\n"
         "\"Wide\"=hex:01,02,\\\r\n"
         "  03\r\n"
         "\"an\"=dword:00000001\r\n"
         "\"New\"=dword:00000002\r\n"},
    };
    for (const auto& c : cases) {
        temp.WriteFile("config/filvex/user.reg", c.before);
        HKEY key = OpenOptions();
        SetNumber(key, "AN", 1);
        SetNumber(key, "New", 2);
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        EXPECT_EQ(temp.ReadFile("config/filvex/user.reg"), c.after) << c.name;
    }
}

TEST_F(RegistryTest, AUtf16FileIsReadAndStaysUtf16) {
    temp.WriteFile("config/filvex/user.reg",
                   Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\r\n"
                         "\"SD\"=\"C:\\\\Mail\\\\\"\r\n\r\n"
                         "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n"
                         "\"Keep\"=dword:00000001\r\n"));
    HKEY key = OpenOptions();
    char text[32] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "SD", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "C:\\Mail\\");
    SetNumber(key, "AN", 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(temp.ReadFile("config/filvex/user.reg"),
              Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
                    "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\r\n"
                    "\"SD\"=\"C:\\\\Mail\\\\\"\r\n"
                    "\"AN\"=dword:00000001\r\n\r\n"
                    "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n"
                    "\"Keep\"=dword:00000001\r\n"));
}

TEST_F(RegistryTest, AUtf8FileWithItsMarkIsReadAndKeepsIt) {
    const std::string mark = "\xEF\xBB\xBF";
    temp.WriteFile("config/filvex/user.reg",
                   mark + "Windows Registry Editor Version 5.00\n\n"
                          "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
                          "\"SD\"=\"C:\\\\\xC3\x9C\x62\x65rsicht\\\\\"\n");
    HKEY key = OpenOptions();
    char text[32] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "SD", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "C:\\\xC3\x9C\x62\x65rsicht\\");
    SetNumber(key, "AN", 1);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(temp.ReadFile("config/filvex/user.reg").rfind(mark, 0), 0u);
}

TEST_F(RegistryTest, AValueOfTheWrongTypeReadsAsMissingWithAWarning) {
    temp.WriteFile("config/filvex/user.reg",
                   "Windows Registry Editor Version 5.00\n\n"
                   "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
                   "\"SD\"=dword:00000001\n"
                   "\"AN\"=\"yes\"\n"
                   "\"SFN\"=dword:00000002\n");
    std::vector<std::string> warnings;
    embedded::ExpectValueTypes(OptionsKey, {{"SD", REG_SZ}, {"AN", REG_DWORD}, {"SFN", REG_DWORD}},
                               [&](const std::string& line) { warnings.push_back(line); });
    HKEY key = OpenOptions(KEY_READ);
    struct Case {
        const char* name;
        LONG status;
    } cases[] = {
        {"SD", ERROR_FILE_NOT_FOUND}, {"AN", ERROR_FILE_NOT_FOUND}, {"SFN", ERROR_SUCCESS}};
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) {
            BYTE data[16];
            DWORD size = sizeof data;
            EXPECT_EQ(RegQueryValueExA(key, c.name, nullptr, nullptr, data, &size), c.status)
                << c.name;
        }
    }
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    embedded::ForgetExpectedValueTypes();
    // One warning per value, however often it is read.
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[0].find("\"SD\" is a number (REG_DWORD) where a text (REG_SZ) is meant; "
                               "it counts as missing"),
              std::string::npos)
        << warnings[0];
    EXPECT_NE(warnings[1].find("\"AN\" is a text (REG_SZ) where a number (REG_DWORD) is meant"),
              std::string::npos)
        << warnings[1];
}

} // namespace
