#include "engine/message_facts.h"
#include "engine/save_path.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/win32_system.h"
#include "tests/engine/engine_fixture.h"

#include <cstring>

namespace {

using embedded::MessageDraft;
using embedded::UtcFileTime;

class SavePathTest : public engine_testing::EngineTest {
  protected:
    // Ann Lee's message of 5 March 2004, 14:07:09 (the fixture's zone is UTC).
    std::unique_ptr<MessageContext> AnnsMessage(const std::string& addressType = "SMTP") {
        auto context =
            ContextFor(store.AddMessage(MessageDraft()
                                            .From("Ann Lee", "ann@example.com", addressType)
                                            .Subject("Q1 report")
                                            .Received(UtcFileTime(2004, 3, 5, 14, 7, 9))));
        GatherMessageFacts(*context);
        return context;
    }
    std::string PathFor(MessageContext& context, const char* name) {
        char out[kSavePathCapacity];
        std::memset(out, 'x', sizeof(out));
        EXPECT_TRUE(BuildSavePath(context, name, out, sizeof(out))) << name;
        return out;
    }
    void Switches(bool date, bool time, bool name, bool email, bool subject) {
        options.appendReceivedDate = date;
        options.appendReceivedTime = time;
        options.appendSenderName = name;
        options.appendSenderEmail = email;
        options.appendSubject = subject;
    }
};

TEST_F(SavePathTest, NamePartsStandInFixedOrderBeforeTheAttachmentName) {
    struct Case {
        const char* name;
        bool date, time, sender, email, subject;
        const char* taken; // a file already there, relative to C:\Mail
        const char* path;
    } cases[] = {
        {"none", false, false, false, false, false, nullptr, "C:\\Mail\\sales.xls"},
        {"date", true, false, false, false, false, nullptr, "C:\\Mail\\2004-03-05 - sales.xls"},
        {"date, time", true, true, false, false, false, nullptr,
         "C:\\Mail\\2004-03-05 14.07.09 - sales.xls"},
        {"time, sender name, subject", false, true, true, false, true, nullptr,
         "C:\\Mail\\14.07.09 - Ann Lee - Q1 report - sales.xls"},
        {"date, sender name; the first name taken", true, false, true, false, false,
         "2004-03-05 - Ann Lee - sales.xls", "C:\\Mail\\2004-03-05 - Ann Lee - sales - 1.xls"},
        {"sender address of an SMTP sender", false, false, true, true, false, nullptr,
         "C:\\Mail\\Ann Lee - ann@example.com - sales.xls"},
        {"everything", true, true, true, true, true, nullptr,
         "C:\\Mail\\2004-03-05 14.07.09 - Ann Lee - ann@example.com - Q1 report - sales.xls"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(temp.path() + "/Mail");
        std::filesystem::create_directories(temp.path() + "/Mail");
        if (c.taken != nullptr) {
            temp.WriteFile(std::string("Mail/") + c.taken, "old");
        }
        Switches(c.date, c.time, c.sender, c.email, c.subject);
        auto context = AnnsMessage();
        EXPECT_EQ(PathFor(*context, "sales.xls"), c.path) << c.name;
    }
}

TEST_F(SavePathTest, PartsWithoutTheirFactAreLeftOut) {
    Switches(true, true, true, true, false);
    auto exchange = AnnsMessage("EX");
    EXPECT_EQ(PathFor(*exchange, "a.txt"), "C:\\Mail\\2004-03-05 14.07.09 - Ann Lee - a.txt");

    auto undated = ContextFor(store.AddMessage(MessageDraft()));
    GatherMessageFacts(*undated);
    EXPECT_EQ(PathFor(*undated, "a.txt"), "C:\\Mail\\NOSENDER - a.txt");

    Switches(true, false, false, false, false);
    options.dateTimeSeparator[0] = '\0';
    auto dated = AnnsMessage();
    EXPECT_EQ(PathFor(*dated, "a.txt"), "C:\\Mail\\2004-03-05 - a.txt");
}

TEST_F(SavePathTest, SubfolderIsMadeBeforeTheNameAndItsFailureStops) {
    options.subfolderMode = kSenderNameSubfolder;
    auto nameless = ContextFor(store.AddMessage(MessageDraft().Subject("x")));
    GatherMessageFacts(*nameless);
    EXPECT_EQ(PathFor(*nameless, "a.txt"), "C:\\Mail\\NOSENDER\\a.txt");
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() + "/Mail/NOSENDER"));

    options.subfolderMode = kSenderDomainSubfolder;
    temp.WriteFile("Mail/example.com", "in the way");
    auto context = AnnsMessage();
    user->ExpectMessageBox(IDOK);
    char out[kSavePathCapacity];
    EXPECT_FALSE(BuildSavePath(*context, "a.txt", out, sizeof(out)));
    EXPECT_EQ(user->MessageBoxes().size(), 1u);
}

TEST_F(SavePathTest, AnArchiveOfTheZipFormTakesTheNameUnlessOverwriting) {
    temp.WriteFile("Mail/report.zip", "PK");
    auto context = AnnsMessage();
    EXPECT_EQ(PathFor(*context, "report.doc"), "C:\\Mail\\report - 1.doc");
    temp.WriteFile("Mail/report.doc", "old");
    options.overwriteExisting = 1;
    EXPECT_EQ(PathFor(*context, "report.doc"), "C:\\Mail\\report.doc");
}

TEST_F(SavePathTest, CounterGoesIntoTheFileNameNotIntoADottedFolder) {
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\My.Files\\");
    temp.WriteFile("My.Files/README", "old");
    auto context = AnnsMessage();
    EXPECT_EQ(PathFor(*context, "README"), "C:\\My.Files\\README - 1");
}

TEST_F(SavePathTest, AfterFifteenThousandTakenNamesThereIsNoName) {
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\Missing\\");
    auto context = AnnsMessage();
    embedded::SetCallLogEnabled(true);
    embedded::ClearCallLog();
    char out[kSavePathCapacity];
    EXPECT_FALSE(BuildSavePath(*context, "a.txt", out, sizeof(out)));
    // Counters 0 to 14,999, each refused at its first look (the folder is missing).
    EXPECT_EQ(embedded::CallsOf("GetFileAttributesA").size(), 15000u);
    EXPECT_TRUE(user->MessageBoxes().empty());
}

TEST_F(SavePathTest, LongTextsKeepThePathWithinItsBound) {
    const std::string longSubject(200, 's');
    auto context = ContextFor(
        store.AddMessage(MessageDraft().From("Ann Lee", "ann@example.com").Subject(longSubject)));
    GatherMessageFacts(*context);
    Switches(false, false, true, false, true);
    // The 79-character subject leaves too little room next to a long name: it is left out.
    const std::string longName = std::string(160, 'n') + ".pdf";
    EXPECT_EQ(PathFor(*context, longName.c_str()), "C:\\Mail\\Ann Lee - " + longName);

    // A name fills the path up to 255 characters, extension included.
    Switches(false, false, false, false, false);
    const std::string filling = std::string(243, 'n') + ".pdf";
    EXPECT_EQ(PathFor(*context, filling.c_str()), "C:\\Mail\\" + filling);
}

// A cut name loses its extension ("report.doc" saved as "r"), and every counter after it is cut
// the same way: a name that does not fit stops the message instead.
TEST_F(SavePathTest, ANameThatDoesNotFitWholeIsRefused) {
    std::string wide;
    for (int i = 0; i < 100; ++i) {
        wide += "\xE2\x82\xAC";
    }
    struct Case {
        const char* name;
        const char* folder;
        std::string attachment;
        const char* taken;
    };
    const std::string deep = std::string(246, 'd');
    const Case cases[] = {
        {"name longer than the path can hold", "C:\\Mail\\", std::string(300, 'n') + ".pdf",
         nullptr},
        {"wide characters beyond the bound", "C:\\Mail\\", wide, nullptr},
        {"folder near the bound", nullptr, "report.doc", nullptr},
        {"the counter would cut the extension", "C:\\Mail\\", std::string(243, 'n') + ".pdf",
         "yes"},
    };
    std::filesystem::create_directories(temp.path() + "/" + deep);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string folder = c.folder != nullptr ? c.folder : "C:\\" + deep + "\\";
        BoundedCopy(options.targetFolder, sizeof(options.targetFolder), folder.c_str());
        auto context = ContextFor(store.AddMessage(MessageDraft().Subject("s")));
        GatherMessageFacts(*context);
        if (c.taken != nullptr) {
            temp.WriteFile("Mail/" + c.attachment, "there");
        }
        char out[kSavePathCapacity];
        embedded::ClearCallLog();
        EXPECT_FALSE(BuildSavePath(*context, c.attachment.c_str(), out, sizeof(out)));
        // Refused at once, not after trying every counter.
        EXPECT_LE(embedded::CallsOf("GetFileAttributesA").size(), 2u);
    }
}

TEST_F(SavePathTest, BlanksBecomeUnderscoresOnlyOnNt4WithACommand) {
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\My Mail\\");
    std::filesystem::create_directories(temp.path() + "/My Mail");
    auto context = AnnsMessage();
    BoundedCopy(options.commandLine, sizeof(options.commandLine), "viewer.exe");
    EXPECT_EQ(PathFor(*context, "a b.txt"), "C:\\My Mail\\a b.txt");

    embedded::ReportSystemVersion(4, 0, 1381, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(PathFor(*context, "a b.txt"), "C:\\My_Mail\\a_b.txt");
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() + "/My_Mail"));

    options.commandLine[0] = '\0';
    EXPECT_EQ(PathFor(*context, "a b.txt"), "C:\\My Mail\\a b.txt");
}

TEST(AddUniqueSuffixTest, CounterStandsBeforeTheExtension) {
    struct Case {
        const char* path;
        int counter;
        const char* separator;
        const char* result;
    } cases[] = {
        {"C:\\Mail\\a.txt", 1, " - ", "C:\\Mail\\a - 1.txt"},
        {"C:\\Mail\\a.b.txt", 12, "_", "C:\\Mail\\a.b_12.txt"},
        {"C:\\Mail\\README", 3, " - ", "C:\\Mail\\README - 3"},
        {"C:\\My.Files\\README", 3, " - ", "C:\\My.Files\\README - 3"},
    };
    for (const auto& c : cases) {
        char path[260];
        BoundedCopy(path, sizeof(path), c.path);
        AddUniqueSuffix(path, 256, c.counter, c.separator);
        EXPECT_STREQ(path, c.result) << c.path;
    }
}

} // namespace
