// The link commands of the filvex binary, run as a person runs them, on stores of generated
// .msg files whose links point into the test's own folder.
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/store/message_store.h"
#include "platform/mapi_tags.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using embedded::MessageDraft;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class FilvexLinksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Documents");
        fs::create_directories(temp.path() + "/store/Inbox");
    }

    // A file below the test's folder and the Windows path a link holds for it (Z: is "/").
    std::string LinkedFile(const std::string& relative, const std::string& content) {
        temp.WriteFile(relative, content);
        return WindowsPath(relative);
    }
    std::string WindowsPath(const std::string& relative) const {
        return embedded::ToWindowsPath(temp.path() + "/" + relative).value();
    }
    void WriteMessage(const std::string& relative, const MessageDraft& draft) {
        embedded::MessageData data = draft.Data();
        ASSERT_EQ(embedded::SaveMsgFile(data, temp.path() + "/store/" + relative), S_OK);
    }
    embedded::MessageData ReadMessage(const std::string& relative) {
        embedded::MessageData data;
        EXPECT_EQ(embedded::ReadMsgFile(temp.path() + "/store/" + relative, data), S_OK);
        return data;
    }
    static std::size_t CountMethod(const embedded::MessageData& data, LONG method) {
        std::size_t count = 0;
        for (const auto& [number, attachment] : data.attachments) {
            count += attachment.Method() == method ? 1 : 0;
        }
        return count;
    }

    RunResult Filvex(const std::string& arguments) {
        const std::string out = temp.path() + "/stdout";
        const std::string err = temp.path() + "/stderr";
        const std::string command = "cd '" + temp.path() + "/store' && '" FILVEX_CLI "' " +
                                    arguments + " >'" + out + "' 2>'" + err + "' </dev/null";
        RunResult run;
        const int raw = std::system(command.c_str());
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = temp.ReadFile("stdout");
        run.err = temp.ReadFile("stderr");
        return run;
    }

    testing_support::TempFolder temp;
    testing_support::ScopedEnvironment environment;
};

TEST_F(FilvexLinksTest, ReattachFindsAMovedFileBelowTheSearchFolder) {
    WriteMessage("Inbox/a.msg", MessageDraft()
                                    .Subject("moved")
                                    .Link("LinkTo_a.txt", WindowsPath("out/a.txt"))
                                    .Link("LinkTo_b.txt", LinkedFile("out/b.txt", "bee")));
    temp.WriteFile("elsewhere/deep/a.txt", "ay");
    const RunResult run = Filvex("reattach --yes --search '" + temp.path() + "/elsewhere' Inbox");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Files reattached: 2"), std::string::npos) << run.out;
    const auto after = ReadMessage("Inbox/a.msg");
    EXPECT_EQ(CountMethod(after, ATTACH_BY_REFERENCE), 0u);
    EXPECT_EQ(CountMethod(after, ATTACH_BY_VALUE), 2u);
    EXPECT_FALSE(temp.Exists("elsewhere/deep/a.txt"));
    EXPECT_FALSE(temp.Exists("out/b.txt"));
}

TEST_F(FilvexLinksTest, AFileFoundNowhereIsSkippedAndItsLinkStays) {
    WriteMessage("Inbox/a.msg", MessageDraft()
                                    .Subject("gone")
                                    .Link("LinkTo_a.txt", WindowsPath("out/a.txt"))
                                    .Link("LinkTo_b.txt", LinkedFile("out/b.txt", "bee")));
    struct Case {
        const char* name;
        std::string arguments;
    } cases[] = {
        {"--yes without --search", "reattach --yes Inbox"},
        {"--yes with a search that finds nothing",
         "reattach --yes --search '" + temp.path() + "/store' Inbox"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult run = Filvex(c.arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto after = ReadMessage("Inbox/a.msg");
        EXPECT_EQ(CountMethod(after, ATTACH_BY_REFERENCE), 1u);
        EXPECT_NE(run.err.find("Filvex was unable to reattach file"), std::string::npos) << run.err;
    }
}

TEST_F(FilvexLinksTest, NoToTheMissingFileQuestionSkipsAndWithoutAnAnswerTheRunStops) {
    WriteMessage("Inbox/a.msg",
                 MessageDraft().Subject("gone").Link("LinkTo_a.txt", WindowsPath("out/a.txt")));
    const RunResult no = Filvex("reattach --no Inbox");
    EXPECT_EQ(no.status, 0) << no.err;
    EXPECT_NE(no.out.find("Files reattached: 0"), std::string::npos) << no.out;
    // Nobody at a terminal and no --yes or --no: the question goes unanswered, which stops.
    const RunResult unanswered = Filvex("reattach Inbox");
    EXPECT_EQ(unanswered.status, 1) << unanswered.err;
    EXPECT_NE(unanswered.err.find("stopped at message Inbox/a.msg"), std::string::npos)
        << unanswered.err;
    EXPECT_EQ(CountMethod(ReadMessage("Inbox/a.msg"), ATTACH_BY_REFERENCE), 1u);
}

TEST_F(FilvexLinksTest, SendOffersTheFilesBackAndKeepsThemOnDisk) {
    WriteMessage("Inbox/a.msg", MessageDraft()
                                    .Subject("to send")
                                    .Link("LinkTo_a.txt", LinkedFile("out/a.txt", "ay"))
                                    .Link("LinkTo_b.txt", LinkedFile("out/b.txt", "bee")));
    const RunResult no = Filvex("send --no Inbox/a.msg");
    ASSERT_EQ(no.status, 0) << no.err;
    EXPECT_EQ(no.out, "the message would go out with 2 link(s)\n");
    EXPECT_NE(no.err.find("contains 2 detached link(s)"), std::string::npos) << no.err;

    const RunResult yes = Filvex("send --yes Inbox/a.msg");
    ASSERT_EQ(yes.status, 0) << yes.err;
    EXPECT_EQ(yes.out, "the message would go out without links\n");
    const auto after = ReadMessage("Inbox/a.msg");
    EXPECT_EQ(CountMethod(after, ATTACH_BY_VALUE), 2u);
    EXPECT_TRUE(temp.Exists("out/a.txt"));
    EXPECT_TRUE(temp.Exists("out/b.txt"));

    // Without links there is nothing to ask.
    const RunResult again = Filvex("send Inbox/a.msg");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.err, "");
}

TEST_F(FilvexLinksTest, ASendHeldBackByACancelledReattachSaysSo) {
    WriteMessage("Inbox/a.msg",
                 MessageDraft().Subject("gone").Link("LinkTo_a.txt", WindowsPath("out/a.txt")));
    // Nobody answers: an unanswered offer counts as Yes, and the missing file's unanswered
    // question cancels the reattach, which holds the send back.
    const RunResult run = Filvex("send Inbox/a.msg");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("the message was held back; 1 of its 1 link(s) are still in it"),
              std::string::npos)
        << run.err;
}

TEST_F(FilvexLinksTest, LinksListsEachMessageAndJsonSaysWhetherTheFilesAreThere) {
    WriteMessage("Inbox/a.msg", MessageDraft()
                                    .Subject("Report")
                                    .Link("LinkTo_report.pdf", LinkedFile("out/report.pdf", "%PDF"))
                                    .Link("LinkTo_gone.txt", WindowsPath("out/gone.txt")));
    WriteMessage("Inbox/b.msg", MessageDraft().Subject("Plain").File("a.txt", "A"));
    const RunResult text = Filvex("links Inbox");
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "Inbox/a.msg: Report\n  LinkTo_report.pdf -> " +
                            WindowsPath("out/report.pdf") + "\n  LinkTo_gone.txt -> " +
                            WindowsPath("out/gone.txt") +
                            "\nInbox/b.msg: Plain\n  This message has no Filvexed links.\n");

    const RunResult json = Filvex("links --json Inbox");
    ASSERT_EQ(json.status, 0) << json.err;
    auto escaped = [](std::string path) {
        std::string out;
        for (char c : path) {
            out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        }
        return out;
    };
    EXPECT_EQ(json.out, "[\n  {\"message\": \"Inbox/a.msg\", \"subject\": \"Report\", "
                        "\"displayName\": \"LinkTo_report.pdf\", \"path\": \"" +
                            escaped(WindowsPath("out/report.pdf")) +
                            "\", \"exists\": true},\n  {\"message\": \"Inbox/a.msg\", "
                            "\"subject\": \"Report\", \"displayName\": \"LinkTo_gone.txt\", "
                            "\"path\": \"" +
                            escaped(WindowsPath("out/gone.txt")) + "\", \"exists\": false}\n]\n");
}

TEST_F(FilvexLinksTest, UpdateLinksNeedsItsConfirmationAndTakesDriveLettersAsTheyStand) {
    WriteMessage("Inbox/a.msg", MessageDraft()
                                    .Subject("moved")
                                    .Link("LinkTo_a.txt", "C:\\Old\\a.txt")
                                    .Link("LinkTo_b.txt", LinkedFile("out/b.txt", "bee")));
    const RunResult unconfirmed = Filvex("update-links --old 'c:\\old\\' --new 'D:\\New\\' Inbox");
    EXPECT_EQ(unconfirmed.status, 2) << unconfirmed.err;
    EXPECT_NE(unconfirmed.err.find("This will replace all links pointing to \"c:\\old\\\""),
              std::string::npos)
        << unconfirmed.err;

    // The new place names nothing on this computer: --yes answers that question too.
    const RunResult run = Filvex("update-links --old 'c:\\old\\' --new 'D:\\New\\' --yes Inbox");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Links renamed: 1"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("File \"D:\\New\\a.txt\" does not exist."), std::string::npos)
        << run.err;
    std::vector<std::string> paths;
    for (const auto& [number, attachment] : ReadMessage("Inbox/a.msg").attachments) {
        paths.push_back(attachment.Text(PR_ATTACH_LONG_PATHNAME).value_or(""));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"D:\\New\\a.txt", WindowsPath("out/b.txt")}));

    // A folder of this computer is given in the form the links hold.
    const RunResult native = Filvex("update-links --old '" + temp.path() + "/out/' --new '" +
                                    temp.path() + "/moved/' --no Inbox");
    EXPECT_EQ(native.status, 2) << native.err;
    EXPECT_NE(native.err.find("links pointing to \"" + WindowsPath("out") + "\\\""),
              std::string::npos)
        << native.err;
}

} // namespace
