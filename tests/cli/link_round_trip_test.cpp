// Detach and bring back, with the filvex binary on the shared sample corpus: every removed
// attachment returns with its bytes and its name, the saved files go, and every message stays
// a .msg file that other readers open.
#include "options/registry_names.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/mapi_tags.h"
#include "tests/support/sha256.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/shared_corpus.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// The by-value attachments of a message as (name, digest of the bytes), and its link paths.
// Embedded messages are left out: they are saved as ".msg" files and removed without a link.
struct Attachments {
    std::multiset<std::pair<std::string, std::string>> files;
    std::multiset<std::string> contents;
    std::vector<std::string> links;
};

Attachments Read(const std::string& file) {
    embedded::MessageData data;
    EXPECT_EQ(embedded::ReadMsgFile(file, data), S_OK) << file;
    Attachments read;
    for (const auto& [number, attachment] : data.attachments) {
        if (attachment.Method() == ATTACH_BY_VALUE) {
            const std::string name =
                attachment.Text(PR_ATTACH_LONG_FILENAME)
                    .value_or(attachment.Text(PR_ATTACH_FILENAME).value_or(""));
            const std::string digest = testing_support::Sha256Hex(attachment.Content());
            read.files.insert({name, digest});
            read.contents.insert(digest);
        } else if (attachment.Method() == ATTACH_BY_REFERENCE) {
            read.links.push_back(attachment.Text(PR_ATTACH_LONG_PATHNAME).value_or(""));
        }
    }
    return read;
}

std::string NameOf(const std::string& windowsPath) {
    return windowsPath.substr(windowsPath.find_last_of('\\') + 1);
}

// The native path of a link on the drive mapping of filvex (Z: is "/").
std::string NativeOf(const std::string& windowsPath) {
    std::string native = windowsPath.substr(2);
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

class LinkRoundTripTest : public ::testing::Test {
  protected:
    void SetUp() override {
        environment.Set("TZ", "UTC0");
        environment.Set("FILVEX_USER_REGISTRY", temp.path() + "/user.reg");
        environment.Set("FILVEX_MACHINE_REGISTRY", temp.path() + "/machine.reg");
        environment.Set("HOME", temp.path() + "/home");
        environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Documents");
        SKIP_WITHOUT_SHARED_CORPUS_FILE(".");
        corpus = testing_support::SharedCorpusFolder();
        fs::create_directories(temp.path() + "/store/Inbox");
        for (const auto& entry : fs::directory_iterator(corpus)) {
            if (entry.path().extension() == ".msg") {
                const fs::path copy =
                    temp.path() + "/store/Inbox/" + entry.path().filename().string();
                fs::copy_file(entry.path(), copy);
                fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);
                messages.push_back(copy.string());
            }
        }
        std::sort(messages.begin(), messages.end());
        // The sender and subject go into a saved Office file's own summary properties, which
        // rewrites the file; the round trip compares bytes, so that is left off.
        temp.WriteFile("user.reg", std::string("Windows Registry Editor Version 5.00\n\n"
                                               "[HKEY_CURRENT_USER\\") +
                                       kOptionsKeyPath + "]\n\"" +
                                       registry_names::kSetSummaryProperties +
                                       "\"=dword:00000000\n");
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

    // Detaches every message into `out`; answers what each message held before.
    std::map<std::string, Attachments> Detach(const std::string& out) {
        std::map<std::string, Attachments> before;
        for (const std::string& message : messages) {
            before[message] = Read(message);
        }
        const RunResult save =
            Filvex("save --folder '" + out + "' --remove --links --no-overwrite --yes Inbox");
        EXPECT_EQ(save.status, 0) << save.err;
        return before;
    }

    // After the reattach: the same files by bytes in every message, each under the name of the
    // file its link named, the linked files gone, the other attachments untouched.
    void ExpectAllBack(const std::map<std::string, Attachments>& before,
                       const std::map<std::string, Attachments>& detached) {
        std::size_t reattached = 0;
        std::size_t sameName = 0;
        for (const std::string& message : messages) {
            SCOPED_TRACE(message);
            const Attachments& original = before.at(message);
            const Attachments after = Read(message);
            EXPECT_EQ(after.contents, original.contents);
            EXPECT_TRUE(after.links.empty());
            for (const std::string& link : detached.at(message).links) {
                ++reattached;
                EXPECT_FALSE(fs::exists(NativeOf(link))) << link;
                bool named = false;
                for (const auto& [name, content] : after.files) {
                    named = named || name == NameOf(link);
                }
                EXPECT_TRUE(named) << link;
            }
            for (const auto& file : original.files) {
                sameName += after.files.count(file) > 0 ? 1 : 0;
            }
        }
        std::size_t originals = 0;
        for (const auto& [message, original] : before) {
            originals += original.files.size();
        }
        EXPECT_GT(reattached, 30u);
        // Names the engine changed on saving (clean-up, a counter against a clash) come back
        // as the saved file's name; every other attachment keeps its own.
        RecordProperty("reattached", static_cast<int>(reattached));
        RecordProperty("sameName", static_cast<int>(sameName));
        RecordProperty("originals", static_cast<int>(originals));
    }

    void ExpectReadableByOthers() {
        const bool msgconvert = access("/usr/bin/msgconvert", X_OK) == 0;
        const bool olefile = std::system("/usr/bin/python3 -c 'import olefile' 2>/dev/null") == 0;
        for (const std::string& message : messages) {
            if (msgconvert) {
                const std::string command = "cd '" + temp.path() +
                                            "' && /usr/bin/msgconvert --outfile /dev/null '" +
                                            message + "' >/dev/null 2>&1";
                EXPECT_EQ(std::system(command.c_str()), 0) << "msgconvert: " << message;
            }
            if (olefile) {
                const std::string command =
                    "/usr/bin/python3 -c 'import olefile,sys; olefile.OleFileIO(sys.argv[1])' '" +
                    message + "' 2>/dev/null";
                EXPECT_EQ(std::system(command.c_str()), 0) << "olefile: " << message;
            }
        }
    }

    std::map<std::string, Attachments> Now() {
        std::map<std::string, Attachments> now;
        for (const std::string& message : messages) {
            now[message] = Read(message);
        }
        return now;
    }

    testing_support::TempFolder temp;
    testing_support::ScopedEnvironment environment;
    std::string corpus;
    std::vector<std::string> messages;
};

TEST_F(LinkRoundTripTest, SaveWithLinksThenReattachGivesEveryAttachmentBack) {
    const std::string out = temp.path() + "/out";
    const auto before = Detach(out);
    const auto detached = Now();
    std::size_t links = 0;
    for (const auto& [message, attachments] : detached) {
        links += attachments.links.size();
        EXPECT_EQ(attachments.contents.size() + attachments.links.size(),
                  before.at(message).contents.size())
            << message;
    }
    ASSERT_GT(links, 30u);

    const RunResult reattach = Filvex("reattach --yes Inbox");
    ASSERT_EQ(reattach.status, 0) << reattach.err;
    EXPECT_NE(reattach.out.find("Files reattached: " + std::to_string(links)), std::string::npos)
        << reattach.out;
    ExpectAllBack(before, detached);
    ExpectReadableByOthers();
}

TEST_F(LinkRoundTripTest, AfterTheFolderMovedUpdateLinksFindsTheFilesAgain) {
    const std::string out = temp.path() + "/out";
    const auto before = Detach(out);
    fs::rename(out, temp.path() + "/moved");

    const RunResult update =
        Filvex("update-links --old '" + out + "/' --new '" + temp.path() + "/moved/' --yes Inbox");
    ASSERT_EQ(update.status, 0) << update.err;
    const auto updated = Now();
    std::size_t links = 0;
    for (const auto& [message, attachments] : updated) {
        for (const std::string& link : attachments.links) {
            ++links;
            EXPECT_NE(link.find("\\moved\\"), std::string::npos) << link;
            EXPECT_TRUE(fs::exists(NativeOf(link))) << link;
        }
    }
    EXPECT_NE(update.out.find("Links renamed: " + std::to_string(links)), std::string::npos)
        << update.out;

    const RunResult reattach = Filvex("reattach --yes Inbox");
    ASSERT_EQ(reattach.status, 0) << reattach.err;
    ExpectAllBack(before, updated);
    ExpectReadableByOthers();
}

} // namespace
