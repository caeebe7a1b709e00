// The filvex binary run as a person runs it, against stores of generated .msg files.
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/wait.h>

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
    RunResult run = Filvex("save --no-dialog --subfolder none Inbox/b.msg");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(temp.ReadFile("user.reg"), stored);
    EXPECT_EQ(fs::last_write_time(temp.path() + "/user.reg"), written);
    // The stored mode, not the one given, since no dialog took it.
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

} // namespace
