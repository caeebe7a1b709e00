#include "options/options_persistence.h"

#include "options/recent_folders.h"
#include "tests/options/options_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using options_testing::kDocumentsTarget;
using options_testing::OptionsTest;

class OptionsPersistenceTest : public OptionsTest {
  protected:
    // The value as the key under `root` holds it now, or nothing.
    static std::optional<std::vector<BYTE>> StoredValue(HKEY root, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kOptionsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::vector<BYTE> data(512);
        DWORD size = static_cast<DWORD>(data.size());
        const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(size);
        return data;
    }
    static std::optional<DWORD> StoredNumber(const char* name, HKEY root = HKEY_CURRENT_USER) {
        auto data = StoredValue(root, name);
        if (!data || data->size() != sizeof(DWORD)) {
            return std::nullopt;
        }
        DWORD number = 0;
        std::memcpy(&number, data->data(), sizeof number);
        return number;
    }
    static std::optional<std::string> StoredText(const char* name, HKEY root = HKEY_CURRENT_USER) {
        auto data = StoredValue(root, name);
        if (!data || data->empty() || data->back() != 0) {
            return std::nullopt;
        }
        return std::string(reinterpret_cast<const char*>(data->data()));
    }
};

TEST_F(OptionsPersistenceTest, FlagValuesAreReadWhateverTheirType) {
    struct Case {
        const char* name;
        const char* values;
        std::int32_t SaveOptions::*field;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"AN stored as 7 is set", "\"AN\"=dword:00000007", &SaveOptions::appendSenderName, 1},
        {"AN stored as 0", "\"AN\"=dword:00000000", &SaveOptions::appendSenderName, 0},
        {"EA cleared locks the options", "\"EA\"=dword:00000000", &SaveOptions::advancedEnabled, 0},
        {"SE cleared", "\"SE\"=dword:00000000", &SaveOptions::saveEmbeddedMessages, 0},
        {"SRR cleared", "\"SRR\"=dword:00000000", &SaveOptions::showReattachSummary, 0},
        {"SSP cleared", "\"SSP\"=dword:00000000", &SaveOptions::setSummaryProperties, 0},
        {"UZ set", "\"UZ\"=dword:00000001", &SaveOptions::unzipSaved, 1},
        {"a text is read by its bytes", "\"ZI\"=\"x\"", &SaveOptions::zipSaved, 1},
        {"two zero bytes read as 0", "\"SE\"=hex:00,00", &SaveOptions::saveEmbeddedMessages, 0},
        {"longer than four bytes keeps the default", "\"SE\"=hex:00,00,00,00,00",
         &SaveOptions::saveEmbeddedMessages, 1},
        {"a missing value keeps the default", "\"AN\"=dword:00000001",
         &SaveOptions::saveEmbeddedMessages, 1},
        {"names are found whatever their case", "\"ra\"=dword:00000001",
         &SaveOptions::removeAttachments, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteUserOptions(c.values);
        SaveOptions options = LoadedUserOptions();
        EXPECT_TRUE(options.optionsKeyFound);
        EXPECT_EQ(options.*c.field, c.expected);
    }
}

TEST_F(OptionsPersistenceTest, OnlyTheKnownSubfolderModesAreTaken) {
    struct Case {
        const char* name;
        const char* values;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"3 is the mail folder", "\"SFN\"=dword:00000003", 3},
        {"5 is the sender domain", "\"SFN\"=dword:00000005", 5},
        {"9 is no mode", "\"SFN\"=dword:00000009", 4},
        {"-1 is no mode", "\"SFN\"=dword:ffffffff", 4},
        {"missing is mode 0", "\"AN\"=dword:00000001", 0},
        {"too long to read is mode 0", "\"SFN\"=hex:03,00,00,00,00", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteUserOptions(c.values);
        SaveOptions options;
        InitOptions(options);
        options.subfolderMode = kSubjectSubfolder;
        EXPECT_EQ(LoadFromRegistry(options), S_OK);
        EXPECT_EQ(options.subfolderMode, c.expected);
    }
}

TEST_F(OptionsPersistenceTest, TextValuesFitTheirFieldOrLeaveIt) {
    const std::string filter127(127, 'f');
    const std::string filter128(128, 'f');
    struct Case {
        const char* name;
        std::string values;
        const char* filter;
        const char* command;
    };
    const Case cases[] = {
        {"both read", "\"FI\"=\".pdf\"\n\"EX\"=\"print.exe\"", ".pdf", "print.exe"},
        {"missing values leave the fields", "\"AN\"=dword:00000001", "keep", "keep"},
        {"a filter that just fits", "\"FI\"=\"" + filter127 + "\"", filter127.c_str(), "keep"},
        {"a filter one byte too long is not taken", "\"FI\"=\"" + filter128 + "\"", "keep", "keep"},
        {"data without a terminator is ended", "\"FI\"=hex:61,62", "ab", "keep"},
        {"an empty text empties the field", "\"EX\"=\"\"", "keep", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteUserOptions(c.values);
        SaveOptions options;
        InitOptions(options);
        BoundedCopy(options.nameFilter, kNameFilterCapacity, "keep");
        BoundedCopy(options.commandLine, kCommandLineCapacity, "keep");
        LoadFromRegistry(options);
        EXPECT_STREQ(options.nameFilter, c.filter);
        EXPECT_STREQ(options.commandLine, c.command);
    }
}

TEST_F(OptionsPersistenceTest, AnIllegalSeparatorResetsAllFour) {
    struct Case {
        const char* name;
        const char* values;
        const char* field;
        const char* date;
        const char* time;
        const char* dateTime;
    };
    const Case cases[] = {
        {"all four read", "\"SEPF\"=\"_\"\n\"SEPD\"=\".\"\n\"SEPT\"=\"h\"\n\"SEPDT\"=\"@\"", "_",
         ".", "h", "@"},
        {"a slash resets also a valid field separator", "\"SEPF\"=\"_\"\n\"SEPD\"=\"/\"", " - ",
         "-", ".", " "},
        {"an empty field separator stays empty", "\"SEPF\"=\"\"", "", "-", ".", " "},
        {"a tab resets", "\"SEPDT\"=hex:09,00", " - ", "-", ".", " "},
        {"a semicolon resets", "\"SEPT\"=\";\"", " - ", "-", ".", " "},
        {"bytes from 128 up are legal", "\"SEPF\"=hex:e9,00", "\xe9", "-", ".", " "},
        {"a separator too long for its field is not taken",
         "\"SEPF\"=\"0123456789012345678901234567890123\"", " - ", "-", ".", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteUserOptions(c.values);
        SaveOptions options = LoadedUserOptions();
        EXPECT_STREQ(options.fieldSeparator, c.field);
        EXPECT_STREQ(options.dateSeparator, c.date);
        EXPECT_STREQ(options.timeSeparator, c.time);
        EXPECT_STREQ(options.dateTimeSeparator, c.dateTime);
    }
}

TEST_F(OptionsPersistenceTest, StoredFoldersComeBackMostRecentFirst) {
    struct Case {
        const char* name;
        const char* values;
        std::vector<std::string> folders;
    };
    const Case cases[] = {
        {"the last target leads",
         "\"SD3\"=\"C:\\\\Three\\\\\"\n\"SD1\"=\"C:\\\\One\\\\\"\n\"SD2\"=\"C:\\\\Two\"\n"
         "\"SD\"=\"C:\\\\Now\"",
         {"C:\\Now\\", "C:\\One\\", "C:\\Two\\", "C:\\Three\\"}},
        {"without SD the most recent is the target",
         "\"SD2\"=\"C:\\\\Two\"\n\"SD1\"=\"C:\\\\One\"",
         {"C:\\One\\", "C:\\Two\\"}},
        {"SD equal to an older one in another case",
         "\"SD1\"=\"C:\\\\One\\\\\"\n\"SD2\"=\"C:\\\\Two\\\\\"\n\"SD\"=\"c:\\\\two\\\\\"",
         {"c:\\two\\", "C:\\One\\"}},
        {"a gap closes",
         "\"SD10\"=\"C:\\\\Ten\"\n\"SD1\"=\"C:\\\\One\"",
         {"C:\\One\\", "C:\\Ten\\"}},
        {"empty values are passed over", "\"SD1\"=\"\"\n\"SD\"=\"\"", {kDocumentsTarget}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteUserOptions(c.values);
        SaveOptions options = LoadedUserOptions();
        EXPECT_EQ(std::string(options.targetFolder), c.folders[0]);
        EXPECT_EQ(RecentFolders(options), Padded(c.folders));
    }
}

TEST_F(OptionsPersistenceTest, ASavedRecordLoadsBackTheSame) {
    SaveOptions saved;
    InitOptions(saved);
    saved.appendSenderName = saved.appendSenderEmail = saved.appendReceivedDate = 1;
    saved.appendReceivedTime = saved.appendSubject = saved.overwriteExisting = 1;
    saved.removeAttachments = saved.leaveLinks = saved.zipSaved = saved.unzipSaved = 1;
    saved.optionsExpanded = saved.promptForNames = 1;
    saved.saveEmbeddedMessages = saved.showReattachSummary = 0;
    saved.subfolderMode = kSenderDomainSubfolder;
    BoundedCopy(saved.nameFilter, kNameFilterCapacity, "report");
    BoundedCopy(saved.commandLine, kCommandLineCapacity, "C:\\Tools\\scan.exe");
    AddRecentFolder(saved, "C:\\Older");
    AddRecentFolder(saved, "C:\\Newer");
    EXPECT_EQ(SaveToRegistry(saved), S_OK);

    SaveOptions loaded = LoadedUserOptions();
    for (const auto field :
         {&SaveOptions::appendSenderName, &SaveOptions::appendSenderEmail,
          &SaveOptions::appendReceivedDate, &SaveOptions::appendReceivedTime,
          &SaveOptions::appendSubject, &SaveOptions::overwriteExisting,
          &SaveOptions::removeAttachments, &SaveOptions::leaveLinks, &SaveOptions::zipSaved,
          &SaveOptions::unzipSaved, &SaveOptions::optionsExpanded,
          &SaveOptions::saveEmbeddedMessages, &SaveOptions::promptForNames,
          &SaveOptions::showReattachSummary, &SaveOptions::subfolderMode}) {
        EXPECT_EQ(loaded.*field, saved.*field);
    }
    EXPECT_STREQ(loaded.nameFilter, "report");
    EXPECT_STREQ(loaded.commandLine, "C:\\Tools\\scan.exe");
    EXPECT_STREQ(loaded.targetFolder, "C:\\Newer\\");
    EXPECT_EQ(RecentFolders(loaded), Padded({"C:\\Newer\\", "C:\\Older\\"}));
    // An administrator's values and the run-time flags never reach the key.
    for (const char* name :
         {registry_names::kAdvancedEnabled, registry_names::kSetSummaryProperties,
          registry_names::kFieldSeparator, registry_names::kDateSeparator,
          registry_names::kTimeSeparator, registry_names::kDateTimeSeparator}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(StoredValue(HKEY_CURRENT_USER, name));
    }
}

TEST_F(OptionsPersistenceTest, SavingWritesEachValueInItsForm) {
    WriteUserOptions("\"AN\"=dword:00000007\n\"SD\"=\"C:\\\\Mail\"");
    SaveOptions options = LoadedUserOptions();
    embedded::ClearCallLog();
    SaveToRegistry(options);
    EXPECT_EQ(StoredNumber(registry_names::kAppendSenderName), 1u);
    EXPECT_EQ(StoredNumber(registry_names::kSaveEmbeddedMessages), 1u);
    EXPECT_EQ(StoredNumber(registry_names::kSubfolderMode), 0u);
    EXPECT_EQ(StoredText(registry_names::kNameFilter), "");
    EXPECT_EQ(StoredText("SD1"), "C:\\Mail\\");
    EXPECT_EQ(StoredText(registry_names::kTargetFolder), "C:\\Mail\\");

    // Twelve flags, the subfolder mode, the two texts, two flags, the one folder and SD.
    std::vector<std::uint64_t> types;
    for (const auto& call : embedded::CallsOf("RegSetValueExA")) {
        types.push_back(call.flags);
    }
    std::vector<std::uint64_t> expected(13, REG_DWORD);
    expected.insert(expected.end(), {REG_SZ, REG_SZ, REG_DWORD, REG_DWORD, REG_SZ, REG_SZ});
    EXPECT_EQ(types, expected);
    ASSERT_EQ(embedded::CallsOf("RegCreateKeyExA").size(), 1u);
    EXPECT_EQ(embedded::CallsOf("RegCreateKeyExA")[0].flags, KEY_ALL_ACCESS);
}

TEST_F(OptionsPersistenceTest, OlderFoldersBeyondTheListStayInTheKey) {
    WriteUserOptions("\"SD4\"=\"C:\\\\Four\\\\\"\n\"SD10\"=\"C:\\\\Ten\\\\\"");
    SaveOptions options;
    InitOptions(options);
    for (const char* folder : {"C:\\Three", "C:\\Two", "C:\\One"}) {
        AddRecentFolder(options, folder);
    }
    SaveToRegistry(options);
    EXPECT_EQ(StoredText("SD1"), "C:\\One\\");
    EXPECT_EQ(StoredText("SD2"), "C:\\Two\\");
    EXPECT_EQ(StoredText("SD3"), "C:\\Three\\");
    EXPECT_EQ(StoredText(registry_names::kTargetFolder), "C:\\One\\");
    EXPECT_EQ(StoredText("SD4"), "C:\\Four\\");
    EXPECT_EQ(StoredText("SD10"), "C:\\Ten\\");
    EXPECT_FALSE(StoredValue(HKEY_CURRENT_USER, "SD5"));
}

TEST_F(OptionsPersistenceTest, RegistryFailuresAreSilent) {
    WriteUserOptions("\"EA\"=dword:00000000\n\"AN\"=dword:00000001\n\"AE\"=dword:00000001");

    embedded::FailNthCall("RegOpenKeyExA", 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    SaveOptions unopened = LoadedUserOptions();
    EXPECT_FALSE(unopened.optionsKeyFound);
    EXPECT_EQ(unopened.appendSenderName, 0);
    EXPECT_STREQ(unopened.targetFolder, kDocumentsTarget);

    // The second read is AN's: it alone keeps its default.
    embedded::ResetPlatformTrace();
    embedded::FailNthCall("RegQueryValueExA", 2, HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE));
    SaveOptions oneUnread = LoadedUserOptions();
    EXPECT_TRUE(oneUnread.optionsKeyFound);
    EXPECT_EQ(oneUnread.advancedEnabled, 0);
    EXPECT_EQ(oneUnread.appendSenderName, 0);
    EXPECT_EQ(oneUnread.appendSenderEmail, 1);

    embedded::ResetPlatformTrace();
    temp.WriteFile("user.reg", "");
    SaveOptions options = LoadedUserOptions();
    options.appendSubject = 1;
    embedded::FailNthCall("RegCreateKeyExA", 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(SaveToRegistry(options), S_OK);
    EXPECT_FALSE(StoredValue(HKEY_CURRENT_USER, registry_names::kAppendSubject));
    EXPECT_EQ(embedded::CallsOf("RegSetValueExA").size(), 0u);

    // A write that fails loses its value only.
    embedded::FailNthCall("RegSetValueExA", 1, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
    EXPECT_EQ(SaveToRegistry(options), S_OK);
    EXPECT_EQ(embedded::CallsOf("RegCloseKey").size(), 1u);
    EXPECT_FALSE(StoredNumber(registry_names::kAppendSenderName));
    EXPECT_EQ(StoredNumber(registry_names::kAppendSubject), 1u);
    EXPECT_EQ(StoredText(registry_names::kTargetFolder), kDocumentsTarget);
}

} // namespace
