#include "engine/save_message.h"
#include "options/command_options.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/msg/msg_file.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/small_disk.h"

#include <minizip/zip.h>

#include <cstring>
#include <iterator>

namespace {

using embedded::AttachmentDraft;
using embedded::MessageData;
using embedded::MessageDraft;
using embedded::UtcFileTime;

class SaveMessageTest : public engine_testing::EngineTest {
  protected:
    void TearDown() override {
        ReleaseCommandOptions();
        EngineTest::TearDown();
    }
    // The stored options that decide whether embedded messages become ".msg" files.
    void StoreSaveEmbeddedMessages(bool on) {
        temp.WriteFile("user.reg", "Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
                                   "\"SE\"=dword:0000000" +
                                       std::string(on ? "1" : "0") + "\n");
    }
    HRESULT Save(const embedded::EntryId& id, std::uint32_t* count = nullptr) {
        std::uint32_t ignored = 0;
        ComPtr<IMessage> message(store.OpenMessage(id));
        return SaveMessage(count != nullptr ? count : &ignored, session.Get(), message.Get(), owner,
                           &options);
    }
    std::string Saved(const std::string& name) const { return temp.ReadFile("Mail/" + name); }
    static std::vector<std::string> AttachmentNames(const MessageData& message) {
        std::vector<std::string> names;
        for (const auto& [number, attachment] : message.attachments) {
            names.push_back(attachment.Text(PR_DISPLAY_NAME).value_or("?") + "/" +
                            std::to_string(attachment.Method()));
        }
        return names;
    }
    static std::size_t SavesOf() { return embedded::CallsOf("SaveChanges").size(); }
};

TEST_F(SaveMessageTest, EveryAttachmentByValueIsWrittenAndCounted) {
    auto id = store.AddMessage(
        MessageDraft().Subject("Q1").File("a.txt", "alpha").File("b.pdf", "%PDF-1.4"));
    std::uint32_t count = 5;
    EXPECT_EQ(Save(id, &count), S_OK);
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"a.txt", "b.pdf"}));
    EXPECT_EQ(Saved("b.pdf"), "%PDF-1.4");
    EXPECT_EQ(SavesOf(), 0u); // nothing removed, so nothing to save
    EXPECT_EQ(store.Read(id).attachments.size(), 2u);
}

TEST_F(SaveMessageTest, AMessageWithoutAttachmentsIsNotTouched) {
    auto id = store.AddMessage(MessageDraft().Subject("nothing"));
    embedded::ClearCallLog();
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_TRUE(embedded::CallsOf("GetProps").empty());
    EXPECT_EQ(SavesOf(), 0u);
}

TEST_F(SaveMessageTest, PassedOverAttachmentsAreNeverRemoved) {
    options.removeAttachments = 1;
    BoundedCopy(options.nameFilter, sizeof(options.nameFilter), "inv");
    auto id = store.AddMessage(MessageDraft()
                                   .File("invoice.pdf", "i")
                                   .File("report.pdf", "r")
                                   .Link("LinkTo_old.doc", "C:\\Mail\\old.doc")
                                   .Attach(AttachmentDraft::File("", "nameless"))
                                   .Attach(AttachmentDraft::File("...", "dots"))
                                   .Attach(AttachmentDraft::File("x", "ole").Method(6)));
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"invoice.pdf"}));
    auto kept = AttachmentNames(store.Read(id));
    EXPECT_EQ(kept.size(), 5u);
    EXPECT_EQ(std::count(kept.begin(), kept.end(), "invoice.pdf/1"), 0);
}

TEST_F(SaveMessageTest, AnAttachmentWithoutAUsableNameIsPassedOver) {
    options.removeAttachments = 1;
    struct Case {
        const char* name;
        AttachmentDraft attachment;
    } cases[] = {
        {"both names empty", AttachmentDraft::File("", "x")},
        {"only dots and blanks", AttachmentDraft::File(". . .", "x")},
        {"no names at all", AttachmentDraft::File("a", "x")
                                .Without(PR_ATTACH_LONG_FILENAME)
                                .Without(PR_ATTACH_FILENAME)},
    };
    for (const auto& c : cases) {
        auto id = store.AddMessage(MessageDraft().Attach(c.attachment));
        ComPtr<IMessage> message(store.OpenMessage(id));
        MessageContext context(session.Get(), message.Get(), owner, &options);
        EXPECT_EQ(SaveAttachment(context, 0), S_FALSE) << c.name;
        EXPECT_TRUE(SavedEntries().empty()) << c.name;
        EXPECT_EQ(store.Read(id).attachments.size(), 1u) << c.name;
    }
    // A short name stands in for a long one that cleans to nothing.
    auto id = store.AddMessage(MessageDraft().Attach(
        AttachmentDraft::File("...", "x").Text(PR_ATTACH_FILENAME, "short.txt")));
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"short.txt"}));
}

TEST_F(SaveMessageTest, RemovalLeavesLinksOrNothingAndSavesTheMessageOnce) {
    options.removeAttachments = 1;
    for (bool links : {false, true}) {
        options.leaveLinks = links;
        std::filesystem::remove_all(temp.path() + "/Mail");
        std::filesystem::create_directories(temp.path() + "/Mail");
        auto id = store.AddMessage(MessageDraft().File("a.txt", "a").File("b.txt", "b"));
        embedded::ClearCallLog();
        EXPECT_EQ(Save(id), S_OK);
        MessageData after = store.Read(id);
        if (links) {
            EXPECT_EQ(AttachmentNames(after),
                      (std::vector<std::string>{"LinkTo_a.txt/2", "LinkTo_b.txt/2"}));
            EXPECT_EQ(after.attachments.begin()->second.Text(PR_ATTACH_LONG_PATHNAME),
                      "C:\\Mail\\a.txt");
            EXPECT_EQ(SavesOf(), 3u); // two links, then the message once
        } else {
            EXPECT_TRUE(after.attachments.empty());
            EXPECT_EQ(SavesOf(), 1u);
        }
        EXPECT_EQ(embedded::CallsOf("DeleteAttach").size(), 2u);
        EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"a.txt", "b.txt"}));
    }
}

TEST_F(SaveMessageTest, AZippedFileGetsNoLinkAndAnArchiveKeepsItsLink) {
    options.removeAttachments = options.leaveLinks = options.zipSaved = 1;
    auto id = store.AddMessage(MessageDraft().File("report.doc", "doc").File("data.zip", "PK"));
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"data.zip", "report.zip"}));
    EXPECT_EQ(AttachmentNames(store.Read(id)), (std::vector<std::string>{"LinkTo_data.zip/2"}));
}

TEST_F(SaveMessageTest, ASavedArchiveIsUnpackedBesideItselfAndTheCommandGetsItsPath) {
    // An archive holding one file, "inner.txt": made by zipping a saved file first.
    options.zipSaved = 1;
    auto maker = store.AddMessage(MessageDraft().File("inner.txt", "inside"));
    ASSERT_EQ(Save(maker), S_OK);
    std::string archive = Saved("inner.zip");
    std::filesystem::remove_all(temp.path() + "/Mail");
    std::filesystem::create_directories(temp.path() + "/Mail/Att");

    options.zipSaved = 0;
    options.unzipSaved = 1;
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\Mail\\Att\\");
    BoundedCopy(options.commandLine, sizeof(options.commandLine), "true");
    auto id = store.AddMessage(MessageDraft().File("pack.zip", archive));
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"Att/", "Att/inner.txt", "Att/pack.zip"}));
    EXPECT_EQ(Saved("Att/inner.txt"), "inside");
    ASSERT_EQ(user->Launches().size(), 1u);
    EXPECT_EQ(user->Launches()[0].verb, "open");
    EXPECT_EQ(user->Launches()[0].parameters, "C:\\Mail\\Att\\pack.zip");
}

TEST_F(SaveMessageTest, TheCommandGetsAPathWithBlanksQuotedAndTheZipWhenZipped) {
    BoundedCopy(options.commandLine, sizeof(options.commandLine), "true");
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\My Files\\");
    std::filesystem::create_directories(temp.path() + "/My Files");
    auto id = store.AddMessage(MessageDraft().File("a.txt", "a"));
    EXPECT_EQ(Save(id), S_OK);
    options.zipSaved = 1;
    BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\Mail\\");
    EXPECT_EQ(Save(id), S_OK);
    ASSERT_EQ(user->Launches().size(), 2u);
    EXPECT_EQ(user->Launches()[0].parameters, "\"C:\\My Files\\a.txt\"");
    EXPECT_EQ(user->Launches()[1].parameters, "C:\\Mail\\a.zip");
    EXPECT_EQ(user->Launches()[1].show, SW_SHOWNORMAL);
}

TEST_F(SaveMessageTest, SummaryNamesTheSenderOnlyWhenThereIsOne) {
    options.setSummaryProperties = 1;
    auto id = store.AddMessage(
        MessageDraft().From("Ann Lee", "ann@example.com").Subject("Q1").File("a.txt", "a"));
    embedded::ClearCallLog();
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_EQ(embedded::CallsOf("StgOpenStorageEx").size(), 1u);
    // A failing summary is no failure of the save.
    embedded::FailEveryCall("StgOpenStorageEx", STG_E_ACCESSDENIED);
    auto other = store.AddMessage(MessageDraft().File("b.txt", "b"));
    EXPECT_EQ(Save(other), S_OK);
    EXPECT_EQ(Saved("b.txt"), "b");
}

TEST_F(SaveMessageTest, AnEmbeddedMessageIsDescendedIntoAndWrittenAfterItsOwnPass) {
    StoreSaveEmbeddedMessages(true);
    options.removeAttachments = 1;
    options.appendSenderName = 1; // the embedded message's own sender names its files
    auto inner = MessageDraft()
                     .From("Bob", "bob@example.org")
                     .Subject("Inner")
                     .File("one.txt", "1")
                     .File("two.txt", "2");
    auto id = store.AddMessage(MessageDraft()
                                   .From("Ann Lee", "ann@example.com")
                                   .Subject("Outer")
                                   .Embedded("Inner", inner));
    std::uint32_t count = 0;
    EXPECT_EQ(Save(id, &count), S_OK);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(SavedEntries(),
              (std::vector<std::string>{"Bob - Inner.msg", "Bob - one.txt", "Bob - two.txt"}));
    EXPECT_TRUE(store.Read(id).attachments.empty()); // removed, and no link for it
    MessageData written;
    ASSERT_EQ(embedded::ReadMsgFile(temp.path() + "/Mail/Bob - Inner.msg", written), S_OK);
    EXPECT_EQ(written.Text(PR_SUBJECT), "Inner");
    EXPECT_TRUE(written.attachments.empty());
}

TEST_F(SaveMessageTest, TheStoredSwitchDecidesAboutMsgFilesWhateverTheRunSays) {
    options.saveEmbeddedMessages = 1; // a rule's record: not looked at
    StoreSaveEmbeddedMessages(false);
    options.removeAttachments = 1;
    auto id = store.AddMessage(
        MessageDraft().Embedded("Inner", MessageDraft().Subject("Inner").File("one.txt", "1")));
    EXPECT_EQ(Save(id), S_OK);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"one.txt"}));
    MessageData after = store.Read(id);
    ASSERT_EQ(after.attachments.size(), 1u); // the embedded message stays, without its file
    EXPECT_TRUE(after.attachments.begin()->second.embedded->attachments.empty());

    options.saveEmbeddedMessages = 0;
    StoreSaveEmbeddedMessages(true);
    auto nameless = store.AddMessage(MessageDraft().Embedded("", MessageDraft()));
    EXPECT_EQ(Save(nameless), S_OK);
    EXPECT_TRUE(std::filesystem::exists(temp.path() + "/Mail/nosubject.msg"));
}

TEST_F(SaveMessageTest, CancellingSaveAsStopsTheRunAndKeepsTheMessageAsItWas) {
    options.specifyNames = 1;
    options.removeAttachments = 1;
    auto id = store.AddMessage(MessageDraft().File("a.txt", "a").File("b.txt", "b"));
    user->ExpectFileDialog(std::string("C:\\Mail\\chosen.txt"));
    user->ExpectFileDialog(std::nullopt);
    EXPECT_EQ(Save(id), E_ABORT);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"chosen.txt"}));
    EXPECT_EQ(store.Read(id).attachments.size(), 2u);
    EXPECT_EQ(SavesOf(), 0u);
}

// A cancel inside an embedded message is a failure inside it like any other: it stops the run
// as a cancel at the top does, and the embedded message stays whole in its parent.
TEST_F(SaveMessageTest, CancellingInsideAnEmbeddedMessageStopsTheRun) {
    StoreSaveEmbeddedMessages(false);
    options.specifyNames = 1;
    options.removeAttachments = 1;
    auto id = store.AddMessage(MessageDraft()
                                   .Embedded("Inner", MessageDraft().File("in.txt", "i"))
                                   .File("after.txt", "a"));
    user->ExpectFileDialog(std::nullopt);
    EXPECT_EQ(Save(id), E_ABORT);
    EXPECT_TRUE(SavedEntries().empty());
    EXPECT_EQ(AttachmentNames(store.Read(id)),
              (std::vector<std::string>{"Inner/5", "after.txt/1"}));
}

// Whatever fails inside an embedded message (reading or writing one of its attachments, writing
// its ".msg" file), the embedded message is kept whole in its parent and the pass stops.
TEST_F(SaveMessageTest, AFailureInsideAnEmbeddedMessageKeepsItInItsParent) {
    StoreSaveEmbeddedMessages(true);
    options.removeAttachments = options.leaveLinks = 1;
    struct Case {
        const char* name;
        const char* operation;
        int call;
        HRESULT result;
        std::vector<std::string> written;
    } cases[] = {
        {"the first inner file cannot be made",
         "OpenStreamOnFile",
         2,
         MAPI_E_NO_ACCESS,
         {"outer.pdf"}},
        {"the first inner data cannot be read", "Read", 3, STG_E_READFAULT, {"outer.pdf"}},
        {"the second inner file cannot be made",
         "OpenStreamOnFile",
         3,
         MAPI_E_NO_ACCESS,
         {"inner1.pdf", "outer.pdf"}},
        {"the inner message's file cannot be made",
         "StgCreateDocfile",
         1,
         STG_E_ACCESSDENIED,
         {"inner1.pdf", "inner2.pdf", "outer.pdf"}},
        {"the inner message's file cannot be written",
         "CompoundFileWrite",
         1,
         STG_E_MEDIUMFULL,
         {"inner1.pdf", "inner2.pdf", "outer.pdf"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(temp.path() + "/Mail");
        std::filesystem::create_directories(temp.path() + "/Mail");
        auto inner = MessageDraft()
                         .Subject("Inner mail")
                         .File("inner1.pdf", std::string(70000, '1'))
                         .File("inner2.pdf", "2");
        auto id =
            store.AddMessage(MessageDraft().File("outer.pdf", "o").Embedded("Inner mail", inner));
        embedded::ClearFaults();
        embedded::FailNthCall(c.operation, c.call, c.result);
        EXPECT_EQ(Save(id), c.result);
        embedded::ClearFaults();
        EXPECT_EQ(SavedEntries(), c.written);
        const MessageData after = store.Read(id);
        EXPECT_EQ(AttachmentNames(after),
                  (std::vector<std::string>{"outer.pdf/1", "Inner mail/5"}));
        ASSERT_EQ(after.attachments.size(), 2u);
        const auto& embedded = *std::next(after.attachments.begin())->second.embedded;
        EXPECT_EQ(AttachmentNames(embedded),
                  (std::vector<std::string>{"inner1.pdf/1", "inner2.pdf/1"}));
    }
}

// With overwriting on, a file of an earlier run may be replaced, but never one of this run: two
// different attachments of the same name would otherwise leave one file and two links to it.
TEST_F(SaveMessageTest, SameNamedAttachmentsOfOneRunGetFilesOfTheirOwn) {
    options.overwriteExisting = 1;
    options.removeAttachments = options.leaveLinks = 1;
    temp.WriteFile("Mail/report.pdf", "from an earlier run");
    auto first = store.AddMessage(MessageDraft().File("report.pdf", "first report"));
    auto second = store.AddMessage(MessageDraft().File("report.pdf", "second report"));
    EXPECT_EQ(Save(first), S_OK);
    EXPECT_EQ(Save(second), S_OK);
    EXPECT_EQ(SavedEntries(), (std::vector<std::string>{"report - 1.pdf", "report.pdf"}));
    EXPECT_EQ(Saved("report.pdf"), "first report");
    EXPECT_EQ(Saved("report - 1.pdf"), "second report");
    EXPECT_EQ(store.Read(first).attachments.begin()->second.Text(PR_ATTACH_LONG_PATHNAME),
              "C:\\Mail\\report.pdf");
    EXPECT_EQ(store.Read(second).attachments.begin()->second.Text(PR_ATTACH_LONG_PATHNAME),
              "C:\\Mail\\report - 1.pdf");
}

// A link in the target folder is a taken name, whether its target exists or not, and nothing is
// ever written through one.
TEST_F(SaveMessageTest, LinksInTheTargetAreTakenNames) {
    options.removeAttachments = options.leaveLinks = 1;
    for (bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite);
        options.overwriteExisting = overwrite;
        std::filesystem::remove_all(temp.path() + "/Mail");
        std::filesystem::remove(temp.path() + "/outside.txt");
        std::filesystem::create_directories(temp.path() + "/Mail");
        temp.WriteFile("victim.txt", "outside the target");
        std::filesystem::create_symlink("../outside.txt", temp.path() + "/Mail/report.pdf");
        std::filesystem::create_symlink("../victim.txt", temp.path() + "/Mail/notes.txt");
        auto id = store.AddMessage(MessageDraft().File("report.pdf", "r").File("notes.txt", "n"));

        EXPECT_EQ(Save(id), S_OK);

        EXPECT_FALSE(std::filesystem::exists(temp.path() + "/outside.txt"));
        EXPECT_EQ(temp.ReadFile("victim.txt"), "outside the target");
        EXPECT_EQ(Saved("report - 1.pdf"), "r");
        EXPECT_EQ(Saved("notes - 1.txt"), "n");
    }
}

// An archive entry never replaces a file the run saved before it (whose attachment may be gone
// from its message already), nor, without overwriting, any file that was there.
TEST_F(SaveMessageTest, UnzippedEntriesNeverReplaceSavedOrExistingFiles) {
    options.unzipSaved = 1;
    options.removeAttachments = 1;
    temp.WriteFile("Mail/notes.txt", "the user's notes");
    std::string archive;
    {
        testing_support::TempFolder scratch;
        zipFile zip = zipOpen((scratch.path() + "/pack.zip").c_str(), APPEND_STATUS_CREATE);
        ASSERT_NE(zip, nullptr);
        for (const char* entry : {"notes.txt", "report.pdf"}) {
            const std::string data =
                std::string(entry) == "notes.txt" ? "from the archive" : "archived report";
            zip_fileinfo info{};
            info.tmz_date.tm_year = 2004;
            info.tmz_date.tm_mday = 5;
            ASSERT_EQ(zipOpenNewFileInZip(zip, entry, &info, nullptr, 0, nullptr, 0, nullptr,
                                          Z_DEFLATED, Z_DEFAULT_COMPRESSION),
                      ZIP_OK);
            ASSERT_EQ(zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())),
                      ZIP_OK);
            ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
        }
        ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
        archive = scratch.ReadFile("pack.zip");
    }
    for (bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite);
        options.overwriteExisting = overwrite;
        std::filesystem::remove_all(temp.path() + "/Mail");
        temp.WriteFile("Mail/notes.txt", "the user's notes");
        options.writtenFiles = std::make_shared<FilesOfRun>(); // a run of its own
        auto id = store.AddMessage(
            MessageDraft().File("report.pdf", "the only copy").File("pack.zip", archive));
        EXPECT_EQ(Save(id), S_OK);
        EXPECT_EQ(Saved("report.pdf"), "the only copy");
        EXPECT_EQ(Saved("report - 1.pdf"), "archived report");
        EXPECT_EQ(Saved(overwrite ? "notes.txt" : "notes - 1.txt"), "from the archive");
        if (!overwrite) {
            EXPECT_EQ(Saved("notes.txt"), "the user's notes");
        }
    }
}

TEST_F(SaveMessageTest, AFailureStopsThePassWithWrittenFilesKept) {
    options.removeAttachments = options.leaveLinks = 1;
    struct Case {
        const char* operation;
        int call;
        HRESULT result;
        std::vector<std::string> written;
    } cases[] = {
        {"GetAttachmentTable", 1, MAPI_E_CALL_FAILED, {}},
        {"OpenAttach", 2, MAPI_E_NOT_FOUND, {"a.txt"}},
        {"OpenStreamOnFile", 2, MAPI_E_NO_ACCESS, {"a.txt"}},
        {"CreateAttach", 2, MAPI_E_NOT_ENOUGH_MEMORY, {"a.txt", "b.txt"}},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(temp.path() + "/Mail");
        std::filesystem::create_directories(temp.path() + "/Mail");
        auto id = store.AddMessage(
            MessageDraft().File("a.txt", "a").File("b.txt", "b").File("c.txt", "c"));
        embedded::ClearFaults();
        embedded::FailNthCall(c.operation, c.call, c.result);
        EXPECT_EQ(Save(id), c.result) << c.operation;
        EXPECT_EQ(SavedEntries(), c.written) << c.operation;
        EXPECT_EQ(AttachmentNames(store.Read(id)),
                  (std::vector<std::string>{"a.txt/1", "b.txt/1", "c.txt/1"}))
            << c.operation;
    }
}

// A message that keeps its attachments because it could not be saved is a failure, not a save.
TEST_F(SaveMessageTest, AMessageThatCannotBeSavedStopsTheRun) {
    options.removeAttachments = 1;
    auto id = store.AddMessage(MessageDraft().File("a.txt", "a"));
    embedded::FailEveryCall("SaveChanges", MAPI_E_NO_ACCESS);
    EXPECT_EQ(Save(id), MAPI_E_NO_ACCESS);
    EXPECT_EQ(store.Read(id).attachments.size(), 1u);
    EXPECT_EQ(Saved("a.txt"), "a");
}

TEST_F(SaveMessageTest, AFolderThatCannotBeMadeStopsWithTheUserTold) {
    options.subfolderMode = kSenderNameSubfolder;
    temp.WriteFile("Mail/Ann Lee", "in the way");
    auto id = store.AddMessage(MessageDraft().From("Ann Lee", "ann@example.com").File("a", "a"));
    user->ExpectMessageBox(IDOK);
    EXPECT_EQ(Save(id), E_POINTER);
}

TEST_F(SaveMessageTest, ADiskThatFillsUpStopsThePassAndTheMessageKeepsEverything) {
    testing_support::SmallDisk disk(256 * 1024);
    SKIP_UNLESS_MOUNTED(disk);
    embedded::MapDrive('C', disk.path());
    std::filesystem::create_directories(disk.path() + "/Mail");
    options.removeAttachments = options.leaveLinks = 1;
    auto id = store.AddMessage(MessageDraft()
                                   .File("a.txt", "small")
                                   .File("big.bin", std::string(400 * 1024, 'b'))
                                   .File("c.txt", "after"));
    EXPECT_TRUE(FAILED(Save(id)));
    EXPECT_EQ(AttachmentNames(store.Read(id)),
              (std::vector<std::string>{"a.txt/1", "big.bin/1", "c.txt/1"}));
    EXPECT_TRUE(std::filesystem::exists(disk.path() + "/Mail/a.txt"));
    // The part of big.bin that fitted is no copy of it.
    EXPECT_FALSE(std::filesystem::exists(disk.path() + "/Mail/big.bin"));
    EXPECT_FALSE(std::filesystem::exists(disk.path() + "/Mail/c.txt"));
    embedded::MapDrive('C', temp.path());
}

} // namespace
