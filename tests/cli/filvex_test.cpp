// The filvex binary run as a person runs it, against stores of generated .msg files.
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <minizip/zip.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using embedded::MessageDraft;
using embedded::UtcFileTime;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class FilvexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Documents");
        fs::create_directories(temp.path() + "/store/Inbox");
    }

    // The store holds two messages from Ann and Bob in the Inbox.
    void WriteTwoMessages() {
        WriteMessage("Inbox/a.msg", MessageDraft()
                                        .Subject("Report")
                                        .From("Ann Lee", "ann@example.com")
                                        .Received(UtcFileTime(2024, 3, 5, 14, 7, 9))
                                        .File("report.pdf", "%PDF-1.4 report")
                                        .File("figures.csv", "q,r\n1,2\n"));
        WriteMessage("Inbox/b.msg", MessageDraft()
                                        .Subject("Photos")
                                        .From("Bob Martin", "bob@photos.example.org")
                                        .Received(UtcFileTime(2024, 3, 6, 9, 15, 0))
                                        .File("beach.txt", "sand"));
    }
    void WriteMessage(const std::string& relative, const MessageDraft& draft) {
        embedded::MessageData data = draft.Data();
        ASSERT_EQ(embedded::SaveMsgFile(data, temp.path() + "/store/" + relative), S_OK);
    }

    RunResult Filvex(const std::string& arguments) {
        const std::string out = temp.path() + "/stdout";
        const std::string err = temp.path() + "/stderr";
        const std::string command = "cd '" + temp.path() + "/store' && '" FILVEX_CLI "' " +
                                    arguments + " >'" + out + "' 2>'" + err + "' </dev/null";
        RunResult run;
        int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = temp.ReadFile("stdout");
        run.err = temp.ReadFile("stderr");
        return run;
    }

    // The bytes of a zip archive with the named entries, each holding its own name.
    std::string ZipOf(const std::vector<std::string>& entries) {
        const std::string path = temp.path() + "/made.zip";
        zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
        EXPECT_NE(zip, nullptr);
        for (const std::string& entry : entries) {
            zip_fileinfo info{};
            EXPECT_EQ(zipOpenNewFileInZip(zip, entry.c_str(), &info, nullptr, 0, nullptr, 0,
                                          nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION),
                      ZIP_OK);
            zipWriteInFileInZip(zip, entry.data(), static_cast<unsigned>(entry.size()));
            zipCloseFileInZip(zip);
        }
        zipClose(zip, nullptr);
        std::string bytes = temp.ReadFile("made.zip");
        fs::remove(path);
        return bytes;
    }

    // The files and folders below the output folder, relative, sorted.
    std::vector<std::string> Output() const { return temp.Tree("out"); }
    std::string OutFolder() const { return "'" + temp.path() + "/out'"; }

    testing_support::TempFolder temp;
    testing_support::ScopedEnvironment environment;
};

TEST_F(FilvexTest, EachSubfolderModePutsTheFilesWhereItSays) {
    WriteTwoMessages();
    struct Case {
        const char* mode;
        std::vector<std::string> files;
    } cases[] = {
        {"none", {"beach.txt", "figures.csv", "report.pdf"}},
        {"sender",
         {"Ann Lee/", "Ann Lee/figures.csv", "Ann Lee/report.pdf", "Bob Martin/",
          "Bob Martin/beach.txt"}},
        {"domain",
         {"example.com/", "example.com/figures.csv", "example.com/report.pdf",
          "photos.example.org/", "photos.example.org/beach.txt"}},
        {"date",
         {"2024-03-05/", "2024-03-05/figures.csv", "2024-03-05/report.pdf", "2024-03-06/",
          "2024-03-06/beach.txt"}},
        {"folder", {"Inbox/", "Inbox/beach.txt", "Inbox/figures.csv", "Inbox/report.pdf"}},
        {"subject",
         {"Photos/", "Photos/beach.txt", "Report/", "Report/figures.csv", "Report/report.pdf"}},
    };
    for (const auto& c : cases) {
        fs::remove_all(temp.path() + "/out");
        RunResult run =
            Filvex("save --folder " + OutFolder() + " --subfolder " + c.mode + " Inbox");
        EXPECT_EQ(run.status, 0) << c.mode << ": " << run.err;
        EXPECT_EQ(Output(), c.files) << c.mode;
        EXPECT_NE(run.out.find("2 of 2 messages, 3 files"), std::string::npos) << run.out;
    }
}

TEST_F(FilvexTest, RemovedAttachmentsLeaveLinksInTheFilesOnDisk) {
    WriteTwoMessages();
    RunResult run =
        Filvex("save --folder " + OutFolder() + " --append date --remove --links Inbox");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Output(),
              (std::vector<std::string>{"2024-03-05 - figures.csv", "2024-03-05 - report.pdf",
                                        "2024-03-06 - beach.txt"}));
    embedded::MessageData after;
    ASSERT_EQ(embedded::ReadMsgFile(temp.path() + "/store/Inbox/a.msg", after), S_OK);
    ASSERT_EQ(after.attachments.size(), 2u);
    for (const auto& [number, attachment] : after.attachments) {
        EXPECT_EQ(attachment.Method(), 2);
        const std::string path = attachment.Text(PR_ATTACH_LONG_PATHNAME).value_or("");
        // The Windows form of the saved file's path on the drive mapping (Z: is "/").
        EXPECT_EQ(path.rfind("Z:\\", 0), 0u) << path;
        EXPECT_NE(path.find("2024-03-05 - "), std::string::npos) << path;
    }
}

// A message that cannot be written back keeps its attachments, and the run says it failed.
TEST_F(FilvexTest, AMessageThatCannotBeRewrittenStopsTheRunAndKeepsItsAttachments) {
    WriteTwoMessages();
    const std::string message = temp.path() + "/store/Inbox/a.msg";
    const std::string immutable = "chattr +i '" + message + "' 2>/dev/null";
    if (std::system(immutable.c_str()) != 0) {
        GTEST_SKIP() << "this file system cannot make a file immutable (chattr +i)";
    }
    struct Mutable {
        std::string command;
        ~Mutable() { (void)std::system(command.c_str()); }
    } restore{"chattr -i '" + message + "' 2>/dev/null"};
    const std::string before = temp.ReadFile("store/Inbox/a.msg");
    RunResult run = Filvex("save --folder " + OutFolder() + " --remove --links Inbox/a.msg");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("stopped at message Inbox/a.msg"), std::string::npos) << run.err;
    EXPECT_EQ(temp.ReadFile("store/Inbox/a.msg"), before) << "the message keeps its attachments";
    EXPECT_EQ(Output(), (std::vector<std::string>{"figures.csv", "report.pdf"}));
}

TEST_F(FilvexTest, ZipPacksEachFileIntoItsOwnArchive) {
    WriteTwoMessages();
    RunResult run = Filvex("save --folder " + OutFolder() + " --zip Inbox/b.msg --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Output(), (std::vector<std::string>{"beach.zip"}));
    EXPECT_NE(run.out.find("\"messages\": 1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"files\": 1"), std::string::npos) << run.out;
}

TEST_F(FilvexTest, TheDialogsOwnChecksRefuseBadOptions) {
    WriteTwoMessages();
    RunResult filter = Filvex("save --folder " + OutFolder() + " --filter a:b Inbox");
    EXPECT_EQ(filter.status, 2);
    EXPECT_NE(filter.err.find("Special characters such as /,\\, :, ?, *, |, >, <, ;, \" are not "
                              "allowed in the attachment name filter."),
              std::string::npos)
        << filter.err;
    RunResult empty = Filvex("save --folder '' Inbox");
    EXPECT_EQ(empty.status, 2);
    EXPECT_NE(empty.err.find("Please specify a valid folder name (can not be empty)."),
              std::string::npos)
        << empty.err;
    EXPECT_TRUE(Output().empty());
    RunResult usage = Filvex("save --subfolder sideways Inbox");
    EXPECT_EQ(usage.status, 2);
}

TEST_F(FilvexTest, WithoutTheDialogTheStoredOptionsRunAndStayAsTheyWere) {
    WriteTwoMessages();
    ASSERT_EQ(Filvex("save --folder " + OutFolder() + " --subfolder sender Inbox/a.msg").status, 0);
    const std::string stored = temp.ReadFile("user.reg");
    ASSERT_NE(stored.find("Morvane"), std::string::npos);
    const auto written = fs::last_write_time(temp.path() + "/user.reg");
    RunResult run = Filvex("save --no-dialog Inbox/b.msg");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(temp.ReadFile("user.reg"), stored);
    EXPECT_EQ(fs::last_write_time(temp.path() + "/user.reg"), written);
    // The stored mode and folder, since no dialog was shown.
    EXPECT_TRUE(fs::exists(temp.path() + "/out/Bob Martin/beach.txt"));

    RunResult options = Filvex("options");
    EXPECT_EQ(options.status, 0);
    EXPECT_NE(options.out.find("HKEY_CURRENT_USER"), std::string::npos) << options.out;
    EXPECT_NE(options.out.find("SFN=1"), std::string::npos) << options.out;
}

TEST_F(FilvexTest, ADamagedMessageStopsTheWalkThereWithTheOnesBeforeItDone) {
    WriteTwoMessages();
    temp.WriteFile("store/Inbox/a2 damaged.msg", "this is no compound file");
    RunResult run = Filvex("save --folder " + OutFolder() + " Inbox");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("stopped at message Inbox/a2 damaged.msg"), std::string::npos)
        << run.err;
    EXPECT_EQ(Output(), (std::vector<std::string>{"figures.csv", "report.pdf"}));
    EXPECT_NE(run.out.find("1 of 3 messages"), std::string::npos) << run.out;
}

TEST_F(FilvexTest, PathsOutsideTheStoreAreRefused) {
    WriteTwoMessages();
    temp.WriteFile("elsewhere.msg", "x");
    EXPECT_EQ(Filvex("save ../elsewhere.msg").status, 2);
    EXPECT_EQ(Filvex("save Inbox/missing.msg").status, 2);
    RunResult help = Filvex("save --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--subfolder"), std::string::npos);
}

TEST_F(FilvexTest, AnEntryTheSummaryCannotLookAtDoesNotCrashIt) {
    WriteTwoMessages();
    // A link that leads to itself cannot be followed; the summary never looks at the folder.
    fs::create_directories(temp.path() + "/out");
    fs::create_symlink("loop", temp.path() + "/out/loop");
    temp.WriteFile("out/old.txt", "a file that was there before");
    RunResult run = Filvex("save --folder " + OutFolder() + " Inbox");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("2 of 2 messages, 3 files, 27 bytes"), std::string::npos) << run.out;
    // Not on a terminal: no progress line at all.
    EXPECT_EQ(run.err.find('\r'), std::string::npos) << run.err;
}

TEST_F(FilvexTest, OptionsThatWouldBeIgnoredAreRefused) {
    WriteTwoMessages();
    struct Case {
        const char* arguments;
        const char* named; // what the refusal names
    } cases[] = {
        {"--no-dialog --folder elsewhere", "--folder"},
        {"--no-dialog --remove --links", "--remove, --links"},
        {"--no-dialog --zip --no-unzip", "--zip, --no-unzip"},
        {"--no-dialog --subfolder none --append date", "--append, --subfolder"},
        {"--no-dialog --exec true --filter pdf", "--filter, --exec"},
        {"--no-dialog --no-overwrite", "--no-overwrite"},
        {"--yes --no", "--no"},
    };
    for (const auto& c : cases) {
        RunResult run = Filvex(std::string("save ") + c.arguments + " Inbox");
        EXPECT_EQ(run.status, 2) << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_FALSE(fs::exists(temp.path() + "/Documents")) << c.arguments;
        EXPECT_TRUE(Output().empty()) << c.arguments;
    }
}

TEST_F(FilvexTest, StoredDestructiveOptionsAreSaidBeforeTheyAct) {
    WriteTwoMessages();
    RunResult first = Filvex("save --folder " + OutFolder() + " --remove --links Inbox/a.msg");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.err.find("settings: remove yes (option), links yes (option), overwrite no "
                             "(stored), zip no (stored), unzip no (stored), command none "
                             "(stored)"),
              std::string::npos)
        << first.err;
    struct Case {
        const char* arguments;
    } cases[] = {{"save Inbox/b.msg"}, {"save --no-dialog Inbox/b.msg"}};
    for (const auto& c : cases) {
        RunResult run = Filvex(std::string(c.arguments) + " --json");
        ASSERT_EQ(run.status, 0) << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find("settings: remove yes (stored), links yes (stored)"),
                  std::string::npos)
            << c.arguments << ": " << run.err;
        EXPECT_NE(run.out.find("\"settings\": {\"remove\": {\"value\": true, \"from\": "
                               "\"stored\"}, \"links\": {\"value\": true, \"from\": \"stored\"}"),
                  std::string::npos)
            << c.arguments << ": " << run.out;
    }
}

TEST_F(FilvexTest, EverySkipAndFailedStepIsSaidAndCounted) {
    struct Case {
        const char* name;
        MessageDraft message;
        const char* options;
        std::vector<std::string> said;
        const char* counted;
    } cases[] = {
        {"no name",
         MessageDraft()
             .Subject("Nameless")
             .File("kept.txt", "k")
             .Attach(embedded::AttachmentDraft::File("", "no name")
                         .Without(PR_ATTACH_LONG_FILENAME)
                         .Without(PR_ATTACH_FILENAME)),
         "",
         {"passed over an attachment of Inbox/m.msg: it has no file name"},
         ", 1 passed over"},
        {"a name that cleans to nothing",
         MessageDraft().Subject("Dots").File(" . .", "dots"),
         "",
         {"passed over an attachment \" . .\" of Inbox/m.msg: its name has nothing left"},
         ", 1 passed over"},
        {"an OLE object",
         MessageDraft().Subject("Ole").Attach(
             embedded::AttachmentDraft::File("drawing.bin", "ole").Method(6)),
         "",
         {"passed over an attachment \"drawing.bin\" of Inbox/m.msg: it is an OLE object"},
         ", 1 passed over"},
        {"the name filter",
         MessageDraft().Subject("Filtered").File("report.pdf", "p").File("notes.txt", "n"),
         "--filter pdf",
         {"passed over an attachment \"notes.txt\" of Inbox/m.msg: its name does not contain "
          "the filter text \"pdf\""},
         ", 1 passed over"},
        {"a command line for a program",
         MessageDraft().Subject("Run").File("run.txt", "r"),
         "--exec 'true --flag'",
         {"the command \"true --flag\" was not started for",
          "the program was not found (--exec takes a program, not a command line)"},
         ", 1 failed steps"},
        {"an unzip entry that climbs out",
         MessageDraft().Subject("Zip").File("bundle.zip", ZipOf({"inside.txt", "../evil.txt"})),
         "--unzip",
         {"an entry \"../evil.txt\" of ", "was not unzipped: its name leads out of the folder"},
         ", 1 failed steps"},
    };
    for (const auto& c : cases) {
        fs::remove_all(temp.path() + "/out");
        fs::remove_all(temp.path() + "/store/Inbox");
        fs::remove(temp.path() + "/user.reg");
        fs::create_directories(temp.path() + "/store/Inbox");
        WriteMessage("Inbox/m.msg", c.message);
        RunResult run = Filvex("save --folder " + OutFolder() + " " + c.options + " Inbox/m.msg");
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        for (const std::string& said : c.said) {
            EXPECT_NE(run.err.find(said), std::string::npos) << c.name << ": " << run.err;
        }
        EXPECT_NE(run.out.find(c.counted), std::string::npos) << c.name << ": " << run.out;
    }
    EXPECT_FALSE(fs::exists(temp.path() + "/evil.txt"));
}

TEST_F(FilvexTest, AStopSaysItsReasonInWords) {
    WriteTwoMessages();
    struct Case {
        const char* name;
        std::function<void()> prepare;
        const char* options;
        const char* said;
    } cases[] = {
        {"a damaged message",
         [&] { temp.WriteFile("store/Inbox/a2 damaged.msg", "this is no compound file"); }, "",
         "stopped at message Inbox/a2 damaged.msg: "},
    };
    const char* reasons[] = {"the file is damaged or is no .msg file"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        fs::remove_all(temp.path() + "/out");
        fs::remove(temp.path() + "/store/Inbox/a2 damaged.msg");
        c.prepare();
        RunResult run = Filvex("save --folder " + OutFolder() + " " + c.options + " Inbox");
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_NE(run.err.find(std::string(c.said)), std::string::npos)
            << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(reasons[i]), std::string::npos) << c.name << ": " << run.err;
    }
}

// Overwriting never replaces what is not a file: a folder at the name is passed by the counter.
TEST_F(FilvexTest, AFolderWhereTheFileGoesIsPassedEvenWhenOverwriting) {
    WriteTwoMessages();
    fs::create_directories(temp.path() + "/out/report.pdf");
    RunResult run = Filvex("save --folder " + OutFolder() + " --overwrite Inbox");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_directory(temp.path() + "/out/report.pdf"));
    EXPECT_TRUE(fs::is_regular_file(temp.path() + "/out/report - 1.pdf")) << run.err;
}

TEST_F(FilvexTest, VersionAndHelpSayWhatAPersonNeeds) {
    RunResult version = Filvex("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("filvex ", 0), 0u) << version.out;
    RunResult help = Filvex("save --help");
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"filvex options", "summary properties", "SSP", "Exit codes",
                             "a program, not a command line", "--no-dialog"}) {
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    }
}

// The text as a .reg file holds it: backslashes doubled.
std::string RegText(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return out;
}

std::string Utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

TEST_F(FilvexTest, RegistryFilesKeptByHandAreReadAndKeptWhole) {
    WriteTwoMessages();
    fs::create_directories(temp.path() + "/out");
    const std::string outFolder = RegText(*embedded::ToWindowsPath(temp.path() + "/out"));
    const std::string out = outFolder + "\\\\";
    const std::string otherKey = "[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n\"Keep\"=\"me\"\r\n";
    struct Case {
        const char* name;
        const char* file; // the registry file written by hand
        std::string text;
        const char* arguments;
        std::vector<std::string> kept; // in the file after the run, in its own encoding
        const char* said;
        const char* saved; // where the files went
    } cases[] = {
        {"an administrator's UTF-16 file",
         "machine.reg",
         Utf16("Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Morvane\\Filvex\\Options]\r\n\"SD\"=\"" +
               out + "\"\r\n"),
         "save --no-dialog Inbox",
         {},
         "",
         "out/report.pdf"},
        {"a user's UTF-16 file with another key",
         "user.reg",
         Utf16("Windows Registry Editor Version 5.00\r\n\r\n" + otherKey),
         "save --folder 'OUT' Inbox",
         // Without the byte-order mark, which only the file's start has.
         {Utf16(otherKey).substr(2), Utf16("\"SD\"=\"" + outFolder).substr(2)},
         "",
         "out/report.pdf"},
        {"comments and sections of other roots",
         "user.reg",
         "Windows Registry Editor Version 5.00\n\n; by hand\n[HKEY_CLASSES_ROOT\\.msg]\n"
         "@=\"Msg\"\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n; mine\n"
         "\"Own\"=odd:thing\n",
         "save --folder 'OUT' Inbox",
         {"; by hand\n[HKEY_CLASSES_ROOT\\.msg]\n@=\"Msg\"\n\n", "; mine\n\"Own\"=odd:thing\n"},
         "",
         "out/report.pdf"},
        {"a number where the target folder's text is meant",
         "user.reg",
         "Windows Registry Editor Version 5.00\n\n"
         "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n\"SD\"=dword:00000001\n",
         "save --no-dialog Inbox",
         {"\"SD\"=dword:00000001\n"},
         "\"SD\" is a number (REG_DWORD) where a text (REG_SZ) is meant; it counts as missing",
         "Documents/MailAttachments/report.pdf"},
    };
    for (const auto& c : cases) {
        fs::remove_all(temp.path() + "/out");
        fs::remove_all(temp.path() + "/Documents");
        fs::remove(temp.path() + "/user.reg");
        fs::remove(temp.path() + "/machine.reg");
        fs::create_directories(temp.path() + "/out");
        fs::create_directories(temp.path() + "/Documents");
        temp.WriteFile(c.file, c.text);
        std::string arguments = c.arguments;
        const std::size_t at = arguments.find("OUT");
        if (at != std::string::npos) {
            arguments.replace(at, 3, temp.path() + "/out");
        }
        RunResult run = Filvex(arguments);
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_TRUE(fs::exists(temp.path() + "/" + c.saved)) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.name << ": " << run.err;
        const std::string after = temp.ReadFile(c.file);
        for (const std::string& kept : c.kept) {
            EXPECT_NE(after.find(kept), std::string::npos) << c.name << ": " << after;
        }
    }
}

} // namespace
