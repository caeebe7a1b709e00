#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/mapi_types.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

class DurableReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    std::string Host(const std::string& name) const { return temp.path() + "/" + name; }

    HRESULT Replace(const std::string& name, const std::string& bytes,
                    embedded::ReplaceSteps steps = {}) {
        return embedded::ReplaceFileDurably(
            Host(name),
            [&](const std::string& temporary) {
                const int fd = ::open(temporary.c_str(), O_WRONLY | O_CLOEXEC);
                if (fd < 0) {
                    return E_FAIL;
                }
                const bool whole =
                    ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
                ::close(fd);
                return whole ? S_OK : E_FAIL;
            },
            steps);
    }

    testing_support::TempFolder temp;
};

TEST_F(DurableReplaceTest, TheNewFileTakesTheOldOnesRightsAndAttributes) {
    temp.WriteFile("notes.txt", "old");
    ASSERT_EQ(::chmod(Host("notes.txt").c_str(), 0640), 0);
    const bool tagged = ::setxattr(Host("notes.txt").c_str(), "user.xdg.tags", "ok", 2, 0) == 0;

    ASSERT_EQ(Replace("notes.txt", "new"), S_OK);

    EXPECT_EQ(temp.ReadFile("notes.txt"), "new");
    struct stat status {};
    ASSERT_EQ(::stat(Host("notes.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    char tag[8] = {};
    EXPECT_EQ(::getxattr(Host("notes.txt").c_str(), "user.xdg.tags", tag, sizeof tag),
              tagged ? 2 : -1);
    EXPECT_EQ(temp.Tree(), std::vector<std::string>{"notes.txt"});
}

TEST_F(DurableReplaceTest, TheFileAndItsNameAreMadeDurableAroundTheRename) {
    temp.WriteFile("notes.txt", "old");
    ASSERT_EQ(Replace("notes.txt", "new"), S_OK);
    std::vector<std::string> steps;
    for (const auto& call : embedded::CallLog()) {
        steps.push_back(call.operation);
    }
    EXPECT_EQ(steps, (std::vector<std::string>{embedded::kReplaceSyncStep, "ReplaceFileRename",
                                               embedded::kReplaceFolderSyncStep}));
}

TEST_F(DurableReplaceTest, AFailureBeforeTheRenameLeavesTheOldFileAndNoTemporary) {
    for (const char* step : {embedded::kReplaceSyncStep, "ReplaceFileRename"}) {
        SCOPED_TRACE(step);
        temp.WriteFile("notes.txt", "old");
        embedded::FailNthCall(step, 1, STG_E_MEDIUMFULL);
        EXPECT_EQ(Replace("notes.txt", "new"), STG_E_MEDIUMFULL);
        EXPECT_EQ(temp.ReadFile("notes.txt"), "old");
        EXPECT_EQ(temp.Tree(), std::vector<std::string>{"notes.txt"});
        embedded::ClearFaults();
    }
}

TEST_F(DurableReplaceTest, AFileReplacedByAnotherProgramIsLeftAlone) {
    temp.WriteFile("mail.msg", "as read");
    const std::optional<embedded::FileIdentity> read = embedded::IdentityOfFile(Host("mail.msg"));
    ASSERT_TRUE(read);
    // Another program writes its own file and renames it over ours.
    temp.WriteFile("other.msg", "newer");
    ASSERT_EQ(::rename(Host("other.msg").c_str(), Host("mail.msg").c_str()), 0);

    embedded::ReplaceSteps steps;
    steps.expected = read;
    EXPECT_EQ(Replace("mail.msg", "ours", steps), MAPI_E_OBJECT_CHANGED);

    EXPECT_EQ(temp.ReadFile("mail.msg"), "newer");
    EXPECT_EQ(temp.Tree(), std::vector<std::string>{"mail.msg"});
}

TEST_F(DurableReplaceTest, TheFileAsReadIsReplaced) {
    temp.WriteFile("mail.msg", "as read");
    embedded::ReplaceSteps steps;
    steps.expected = embedded::IdentityOfFile(Host("mail.msg"));
    EXPECT_EQ(Replace("mail.msg", "ours", steps), S_OK);
    EXPECT_EQ(temp.ReadFile("mail.msg"), "ours");
}

TEST_F(DurableReplaceTest, TemporariesOfGoneProcessesAreRemovedAndOthersKept) {
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string ours = ".mail.msg.filvex-" + std::to_string(::getpid()) + "-a1B2c3";
    const std::string stale = ".mail.msg.filvex-" + std::to_string(gone) + "-x9Y8z7";
    temp.WriteFile(ours, "being written");
    temp.WriteFile(stale, "left by a killed run");
    temp.WriteFile(".hidden", "the user's");
    temp.WriteFile("mail.msg", "message");

    embedded::RemoveStaleReplacements(temp.path());

    EXPECT_EQ(temp.Tree(), (std::vector<std::string>{".hidden", ours, "mail.msg"}));
}

} // namespace
