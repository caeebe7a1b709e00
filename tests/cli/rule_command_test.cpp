// `filvex rule` run as a person runs it: a rule configured, then run on arriving mail with the
// string it printed, against a store of generated .msg files.
#include "host/rule_action.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/store/message_store.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

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

class RuleCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Documents");
        fs::create_directories(temp.path() + "/store/Inbox");
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
    // Arguments go through the shell; `quoted` adds one argument quoted for it.
    static std::string Quoted(const std::string& argument) {
        std::string quoted = "'";
        for (char c : argument) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return quoted + "'";
    }
    // A path below the test's folder as the module sees it: on drive Z:, which is "/".
    std::string WindowsPath(const std::string& relative) const {
        std::string path = "Z:" + temp.path() + "/" + relative;
        for (char& c : path) {
            c = c == '/' ? '\\' : c;
        }
        return path;
    }
    RunResult Filvex(const std::string& arguments) {
        const std::string command = "cd '" + temp.path() + "/store' && '" FILVEX_CLI "' " +
                                    arguments + " >'" + temp.path() + "/stdout' 2>'" + temp.path() +
                                    "/stderr' </dev/null";
        RunResult run;
        int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = temp.ReadFile("stdout");
        run.err = temp.ReadFile("stderr");
        return run;
    }

    testing_support::TempFolder temp;
    testing_support::ScopedEnvironment environment;
};

TEST_F(RuleCommandTest, ARuleConfiguredThenRunOnArrivingMailSavesByItsString) {
    RunResult configured = Filvex("rule configure --folder ../out --subfolder sender --append date "
                                  "--remove");
    ASSERT_EQ(configured.status, 0) << configured.err;
    const std::size_t lineEnd = configured.out.find('\n');
    ASSERT_NE(lineEnd, std::string::npos);
    const std::string text = configured.out.substr(0, lineEnd);
    EXPECT_EQ(text, "v: 1|c: saveatt|b: dr|p: " + WindowsPath("out/") + "|f: 1|r: |e: |");
    EXPECT_EQ(configured.out.substr(lineEnd + 1), std::string(kRuleActionDisplayName) + "\n");
    EXPECT_FALSE(fs::exists(temp.path() + "/user.reg")) << "a rule's options stay in the rule";
    EXPECT_TRUE(fs::is_directory(temp.path() + "/out")) << "the dialog's OK made the folder";

    RunResult run = Filvex("rule run --json --options " + Quoted(text) + " Inbox");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"messages\": 2, \"selected\": 2, \"files\": 3,"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"failed\": []"), std::string::npos) << run.out;
    EXPECT_EQ(temp.Tree("out"),
              (std::vector<std::string>{"Ann Lee/", "Ann Lee/2024-03-05 - figures.csv",
                                        "Ann Lee/2024-03-05 - report.pdf", "Bob Martin/",
                                        "Bob Martin/2024-03-06 - beach.txt"}));
    EXPECT_EQ(temp.ReadFile("out/Ann Lee/2024-03-05 - report.pdf"), "%PDF-1.4 report");
    embedded::MessageData saved;
    ASSERT_EQ(embedded::ReadMsgFile(temp.path() + "/store/Inbox/a.msg", saved), S_OK);
    EXPECT_TRUE(saved.attachments.empty()) << "the string's r removed them";
    EXPECT_FALSE(fs::exists(temp.path() + "/user.reg"));
}

TEST_F(RuleCommandTest, ConfigureEndsWithoutAStringWhenCancelledOrRefused) {
    struct Case {
        const char* name;
        std::string arguments;
        int status;
        const char* error;
    };
    const Case cases[] = {
        {"Cancel", "rule configure --folder ../out --no", 1, ""},
        {"a command the string cannot carry", "rule configure --folder ../out --exec 'a | b'", 2,
         "The character | cannot be used"},
        {"bad usage", "rule configure --subfolder moon", 2, "moon"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult run = Filvex(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
    }
}

TEST_F(RuleCommandTest, ARunThatFailsSaysWhichMessageAndWhy) {
    // The folder the rule names is gone: a rule makes none.
    RunResult run =
        Filvex("rule run --options " +
               Quoted("v: 1|c: saveatt|b: |p: " + WindowsPath("gone") + "|f: 0|r: |e: |") +
               " Inbox/a.msg");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("message Inbox/a.msg: no file could be made below the target folder"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("0 of 1 messages"), std::string::npos) << run.out;
    EXPECT_EQ(Filvex("rule run --options x Inbox/none.msg").status, 2);
}

} // namespace
