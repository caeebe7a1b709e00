#include "options/action_option_string.h"

#include "tests/options/options_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using options_testing::OptionsTest;
using Change = std::function<void(SaveOptions&)>;

// What a rule's string can set, and what the parser must leave alone, as one line to compare.
std::string Describe(const SaveOptions& o) {
    std::string flags;
    for (std::int32_t flag :
         {o.appendSenderName, o.appendSenderEmail, o.appendReceivedDate, o.appendReceivedTime,
          o.appendSubject, o.overwriteExisting, o.removeAttachments, o.leaveLinks, o.zipSaved,
          o.unzipSaved, o.saveEmbeddedMessages, o.promptForNames, o.advancedEnabled,
          o.optionsExpanded, o.setSummaryProperties}) {
        flags += std::to_string(flag);
    }
    std::string recent;
    for (const auto& folder : o.recentFolders) {
        if (folder[0] != '\0') {
            recent += std::string(folder) + ";";
        }
    }
    return "flags " + flags + " folder [" + o.targetFolder + "] recent [" + recent + "] mode " +
           std::to_string(o.subfolderMode) + " filter [" + o.nameFilter + "] command [" +
           o.commandLine + "] loaded " + std::to_string(o.loaded) + " separators [" +
           o.fieldSeparator + o.dateSeparator + o.timeSeparator + o.dateTimeSeparator + "]";
}

SaveOptions Fresh(const Change& change = nullptr) {
    SaveOptions options;
    InitOptions(options);
    if (change) {
        change(options);
    }
    return options;
}

void Folder(SaveOptions& options, const char* folder) {
    BoundedCopy(options.targetFolder, kFolderCapacity, folder);
    BoundedCopy(options.recentFolders[0], kFolderCapacity, folder);
}

std::string Repeated(const std::string& piece, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

class ActionOptionStringTest : public OptionsTest {};

TEST_F(ActionOptionStringTest, EachTextReadsIntoTheRecordItDescribes) {
    struct Case {
        const char* name;
        std::string text;
        Change expected;
    };
    const std::string longCommand(300, 'c');
    const std::string longFilter(200, 'r');
    const Case cases[] = {
        {"the example", "v: 1|c: saveatt|b: zu|p: D:\\Att|f: 5|r: .pdf|e: |",
         [](SaveOptions& o) {
             o.zipSaved = o.unzipSaved = 1;
             Folder(o, "D:\\Att\\");
             o.subfolderMode = 5;
             std::strcpy(o.nameFilter, ".pdf");
         }},
        {"what the writer writes", "v: 1|c: saveatt|b: ndr|p: C:\\Mail\\|f: 2|r: |e: |",
         [](SaveOptions& o) {
             o.appendSenderName = o.appendReceivedDate = o.removeAttachments = 1;
             Folder(o, "C:\\Mail\\");
             o.subfolderMode = 2;
         }},
        {"all ten letters", "b: nedtsorlzu|",
         [](SaveOptions& o) {
             o.appendSenderName = o.appendSenderEmail = o.appendReceivedDate = 1;
             o.appendReceivedTime = o.appendSubject = o.overwriteExisting = 1;
             o.removeAttachments = o.leaveLinks = o.zipSaved = o.unzipSaved = 1;
         }},
        {"letters other than the ten are ignored", "b: nqx|",
         [](SaveOptions& o) { o.appendSenderName = 1; }},
        {"b fields add up", "b: n|b: d|",
         [](SaveOptions& o) { o.appendSenderName = o.appendReceivedDate = 1; }},
        {"a mode out of range is no subfolder", "f: 3|f: 9|", nullptr},
        {"a mode that is no digit is no subfolder", "f: 4|f: x|", nullptr},
        {"a later field overrides an earlier one", "f: 1|f: 3|r: a|r: b|",
         [](SaveOptions& o) {
             o.subfolderMode = 3;
             std::strcpy(o.nameFilter, "b");
         }},
        {"each folder is also a recent folder", "p: C:\\A|p: C:\\B\\|",
         [](SaveOptions& o) {
             Folder(o, "C:\\B\\");
             std::strcpy(o.recentFolders[1], "C:\\A\\");
         }},
        {"text after the last bar is no field", "f: 2|p: C:\\A",
         [](SaveOptions& o) { o.subfolderMode = 2; }},
        {"a bar in a command cuts it; the rest is a field of its own", "e: run |r: evil|",
         [](SaveOptions& o) {
             std::strcpy(o.commandLine, "run ");
             std::strcpy(o.nameFilter, "evil");
         }},
        {"two bars before a field make it start with a bar", "f: 2||p: C:\\X|",
         [](SaveOptions& o) { o.subfolderMode = 2; }},
        {"a bar as the very first character is kept in its token", "|f: 2|", nullptr},
        {"the twentieth field is read", Repeated("v: 1|", 19) + "f: 4|",
         [](SaveOptions& o) { o.subfolderMode = 4; }},
        {"the twenty-first field is ignored", Repeated("v: 1|", 20) + "f: 4|", nullptr},
        {"version and command are not checked", "v: 7|c: other|f: 1|",
         [](SaveOptions& o) { o.subfolderMode = 1; }},
        {"the three characters before a value are not checked", "fxx3|bxxn|",
         [](SaveOptions& o) {
             o.subfolderMode = 3;
             o.appendSenderName = 1;
         }},
        {"tokens too short for a value give an empty one", "f|r|e|b|p|", nullptr},
        {"an empty folder stays unset", "p: |", nullptr},
        {"a command is cut at 259 characters", "e: " + longCommand + "|",
         [&](SaveOptions& o) { std::strcpy(o.commandLine, longCommand.substr(0, 259).c_str()); }},
        {"a filter is cut at 127 characters", "r: " + longFilter + "|",
         [&](SaveOptions& o) { std::strcpy(o.nameFilter, longFilter.substr(0, 127).c_str()); }},
        {"past 4095 characters nothing is read", "v: " + std::string(4087, 'v') + "|f: 2|",
         nullptr},
        {"a field ending at the 4095th character is read",
         "v: " + std::string(4086, 'v') + "|f: 2|", [](SaveOptions& o) { o.subfolderMode = 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options = Fresh();
        ParseActionOptions(options, c.text.c_str());
        EXPECT_EQ(Describe(options), Describe(Fresh(c.expected)));
    }
}

TEST_F(ActionOptionStringTest, EachRecordWritesItsString) {
    struct Case {
        const char* name;
        Change record;
        std::string text;
    };
    const std::string longest = std::string(258, 'p') + "\\";
    const Case cases[] = {
        {"the example",
         [](SaveOptions& o) {
             o.appendSenderName = o.appendReceivedDate = o.removeAttachments = 1;
             Folder(o, "C:\\Mail\\");
             o.subfolderMode = 2;
         },
         "v: 1|c: saveatt|b: ndr|p: C:\\Mail\\|f: 2|r: |e: |"},
        {"a fresh record", nullptr, "v: 1|c: saveatt|b: |p: |f: 0|r: |e: |"},
        {"letters in their order, and the options no string carries left out",
         [](SaveOptions& o) {
             o.unzipSaved = o.zipSaved = o.leaveLinks = o.removeAttachments = 1;
             o.overwriteExisting = o.appendSubject = o.appendReceivedTime = 1;
             o.appendReceivedDate = o.appendSenderEmail = o.appendSenderName = 1;
             o.promptForNames = o.saveEmbeddedMessages = 1;
             o.setSummaryProperties = 0;
             Folder(o, "C:\\A b\\");
             o.subfolderMode = 5;
             std::strcpy(o.nameFilter, ".pdf");
             std::strcpy(o.commandLine, "C:\\Tools\\scan.exe");
         },
         "v: 1|c: saveatt|b: nedtsorlzu|p: C:\\A b\\|f: 5|r: .pdf|e: C:\\Tools\\scan.exe|"},
        {"the longest record, whole",
         [&](SaveOptions& o) {
             o.appendSenderName = o.appendSenderEmail = o.appendReceivedDate = 1;
             o.appendReceivedTime = o.appendSubject = o.overwriteExisting = 1;
             o.removeAttachments = o.leaveLinks = o.zipSaved = o.unzipSaved = 1;
             Folder(o, longest.c_str());
             o.subfolderMode = 5;
             std::strcpy(o.nameFilter, std::string(127, 'r').c_str());
             std::strcpy(o.commandLine, std::string(259, 'e').c_str());
         },
         "v: 1|c: saveatt|b: nedtsorlzu|p: " + longest + "|f: 5|r: " + std::string(127, 'r') +
             "|e: " + std::string(259, 'e') + "|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SaveOptions options = Fresh(c.record);
        char text[kActionOptionsCapacity];
        FormatActionOptions(options, kSaveCommandName, text);
        EXPECT_EQ(std::string(text), c.text);

        // Read back into a fresh record, the string gives the same string.
        SaveOptions read = Fresh();
        ParseActionOptions(read, text);
        char again[kActionOptionsCapacity];
        FormatActionOptions(read, kSaveCommandName, again);
        EXPECT_EQ(std::string(again), c.text);
    }
    EXPECT_EQ(cases[3].text.size(), 692u);
}

TEST_F(ActionOptionStringTest, TheSummaryFlagComesFromTheUsersKeyWhenAStringIsRead) {
    struct Case {
        const char* name;
        std::string userValues;
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"cleared by the user's key", "\"SSP\"=dword:00000000", "f: 1|", 0},
        {"a missing value keeps the default", "\"AN\"=dword:00000001", "f: 1|", 1},
        {"no key keeps the default", "", "f: 1|", 1},
        {"an empty string reads nothing", "\"SSP\"=dword:00000000", "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.userValues.empty()) {
            temp.WriteFile("user.reg", "");
        } else {
            WriteUserOptions(c.userValues);
        }
        SaveOptions options = Fresh();
        ParseActionOptions(options, c.text);
        EXPECT_EQ(options.setSummaryProperties, c.expected);
        // Nothing else comes from the key: the string's options alone.
        EXPECT_EQ(options.appendSenderName, 0);
    }
    SaveOptions options = Fresh();
    ParseActionOptions(options, nullptr);
    EXPECT_EQ(Describe(options), Describe(Fresh()));
}

TEST_F(ActionOptionStringTest, OnlyValuesWithoutABarTravel) {
    EXPECT_TRUE(FitsActionOptions("C:\\Mail\\"));
    EXPECT_TRUE(FitsActionOptions(""));
    EXPECT_FALSE(FitsActionOptions("cmd /c type | more"));
    EXPECT_FALSE(FitsActionOptions("|"));
}

} // namespace
