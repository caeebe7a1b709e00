// Every failure a save with removal can meet, one at a time: whatever fails, no attachment is
// lost and no file looks like a good copy when it is not one.
#include "engine/save_message.h"
#include "options/command_options.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/embedded/storage/storage_tree.h"
#include "platform/embedded/trace/call_log.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/fault_sweep.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

using embedded::MessageData;
using embedded::MessageDraft;
namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The entries of an archive with their data; nothing when it cannot be read whole.
std::optional<std::vector<std::string>> ArchiveEntries(const fs::path& path) {
    unzFile archive = unzOpen(path.c_str());
    if (archive == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> entries;
    bool whole = true;
    for (int at = unzGoToFirstFile(archive); at == UNZ_OK; at = unzGoToNextFile(archive)) {
        std::string data;
        char buffer[4096];
        whole = whole && unzOpenCurrentFile(archive) == UNZ_OK;
        for (int got; whole && (got = unzReadCurrentFile(archive, buffer, sizeof buffer)) != 0;) {
            whole = got > 0;
            if (whole) {
                data.append(buffer, static_cast<std::size_t>(got));
            }
        }
        whole = whole && unzCloseCurrentFile(archive) == UNZ_OK; // the check value matches
        entries.push_back(data);
    }
    unzClose(archive);
    if (!whole) {
        return std::nullopt;
    }
    return entries;
}

std::string ZipOf(const std::vector<std::pair<std::string, std::string>>& entries,
                  const std::string& scratch) {
    zipFile zip = zipOpen(scratch.c_str(), APPEND_STATUS_CREATE);
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        info.tmz_date.tm_year = 2024;
        info.tmz_date.tm_mday = 5;
        zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION);
        zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    const std::string bytes = ReadWhole(scratch);
    std::remove(scratch.c_str());
    return bytes;
}

// What a message tree holds, as text: attachments by name and method, inside embedded ones.
void Describe(const MessageData& message, const std::string& indent, std::string& out) {
    for (const auto& [number, attachment] : message.attachments) {
        out += indent + attachment.Text(PR_DISPLAY_NAME).value_or("?") + "/" +
               std::to_string(attachment.Method()) + "\n";
        if (attachment.embedded) {
            Describe(*attachment.embedded, indent + "  ", out);
        }
    }
}

// Every attachment by value of a message tree, with its data; embedded messages by subject.
void Contents(const MessageData& message, std::multiset<std::string>& data,
              std::set<std::string>& subjects) {
    subjects.insert(message.Text(PR_SUBJECT).value_or(""));
    for (const auto& [number, attachment] : message.attachments) {
        if (attachment.Method() == ATTACH_BY_VALUE) {
            data.insert(attachment.Content());
        }
        if (attachment.embedded) {
            Contents(*attachment.embedded, data, subjects);
        }
    }
}

class SaveFaultSweepTest : public engine_testing::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        // The runs are many and each makes its files durable: memory-backed files keep the
        // sweep fast without changing what a run does.
        char pattern[] = "/dev/shm/filvex-sweep-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        drive = pattern;
        embedded::MapDrive('C', drive);
        temp.WriteFile("user.reg", "Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\SOFTWARE\\Morvane\\Filvex\\Options]\n"
                                   "\"SE\"=dword:00000001\n");
        const std::string pack =
            ZipOf({{"x.txt", "unpacked x"}, {"a.txt", "unpacked a"}}, drive + "/scratch.zip");
        auto level2 = MessageDraft().Subject("Level two").File("l2.txt", "second level");
        auto level1 = MessageDraft()
                          .Subject("Level one")
                          .File("l1.pdf", "first level")
                          .Embedded("Level two", level2);
        drafts = {
            {"first.msg", MessageDraft()
                              .Subject("First")
                              .From("Ann Lee", "ann@example.com")
                              .File("a.txt", "alpha")
                              .File("big.bin", std::string(70 * 1024, 'b'))
                              .File("pack.zip", pack)
                              .Embedded("Level one", level1)},
            {"second.msg", MessageDraft().Subject("Second").File("a.txt", "another alpha")},
        };
        for (const auto& [name, draft] : drafts) {
            embedded::StorageNode root;
            std::memcpy(root.classId.data(), &CLSID_MailMessage, sizeof(CLSID));
            ASSERT_EQ(embedded::WriteMsgMessage(draft.Data(), root), S_OK);
            const std::string path = drive + "/scratch.msg";
            ASSERT_TRUE(embedded::WriteCompoundFile(root, path));
            originals[name] = ReadWhole(path);
            std::remove(path.c_str());
            Contents(draft.Data(), originalData, originalSubjects);
        }
    }
    void TearDown() override {
        ReleaseCommandOptions();
        fs::remove_all(drive);
        EngineTest::TearDown();
    }

    void Prepare() {
        fs::remove_all(drive + "/Mail");
        fs::remove_all(drive + "/store");
        fs::create_directories(drive + "/Mail");
        fs::create_directories(drive + "/store");
        for (const auto& [name, bytes] : originals) {
            std::ofstream(drive + "/store/" + name, std::ios::binary) << bytes;
        }
    }

    // The command's walk: each message in turn, stopping at the first that fails.
    HRESULT Run() {
        InitOptions(options);
        BoundedCopy(options.targetFolder, sizeof(options.targetFolder), "C:\\Mail\\");
        options.removeAttachments = options.leaveLinks = 1;
        options.zipSaved = options.unzipSaved = 1;
        embedded::MsgFolderStore folder(drive + "/store");
        ComPtr<IMAPISession> folderSession(folder.OpenSession());
        for (const auto& [name, draft] : drafts) {
            const embedded::EntryId id = folder.Message(name);
            ComPtr<IMessage> message;
            ULONG type = 0;
            HRESULT hr = folderSession->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_MODIFY, &type,
                                                  reinterpret_cast<LPUNKNOWN*>(message.Out()));
            std::uint32_t count = 0;
            if (SUCCEEDED(hr)) {
                hr = SaveMessage(&count, folderSession.Get(), message.Get(), nullptr, &options);
            }
            if (FAILED(hr)) {
                return hr;
            }
        }
        return S_OK;
    }

    // The store as the disk holds it now, each message file opened afresh.
    std::string StoredState(std::multiset<std::string>& data, std::set<std::string>& subjects) {
        std::string state;
        for (const auto& [name, draft] : drafts) {
            MessageData message;
            EXPECT_EQ(embedded::ReadMsgFile(drive + "/store/" + name, message), S_OK)
                << name << " does not open";
            state += name + "\n";
            Describe(message, "  ", state);
            Contents(message, data, subjects);
        }
        return state;
    }

    // No attachment lost, nothing half written, no temporary left, a failure said.
    void CheckInvariants(HRESULT result, const std::string& faultFree) {
        for (const char* folder : {"/store", "/Mail"}) {
            for (const auto& entry : fs::recursive_directory_iterator(drive + folder)) {
                EXPECT_NE(entry.path().filename().string()[0], '.')
                    << "a temporary is left: " << entry.path();
            }
        }
        std::multiset<std::string> stored;
        std::set<std::string> storedSubjects;
        const std::string state = StoredState(stored, storedSubjects);
        // What the target folder holds: files, archive entries, and the messages of .msg files.
        std::set<std::string> onDisk = {};
        std::set<std::string> subjectsOnDisk;
        std::set<std::string> archived;
        for (const auto& entry : fs::recursive_directory_iterator(drive + "/Mail")) {
            if (!entry.is_regular_file()) {
                continue;
            }
            const std::string name = entry.path().filename().string();
            const std::string bytes = ReadWhole(entry.path());
            if (name.size() > 4 && name.substr(name.size() - 4) == ".zip" &&
                originalData.count(bytes) == 0) {
                const auto entries = ArchiveEntries(entry.path());
                ASSERT_TRUE(entries) << "an archive that cannot be read whole: " << name;
                for (const std::string& data : *entries) {
                    archived.insert(data);
                }
            } else if (name.size() > 4 && name.substr(name.size() - 4) == ".msg") {
                MessageData message;
                ASSERT_EQ(embedded::ReadMsgFile(entry.path().string(), message), S_OK)
                    << "a message file that does not open: " << name;
                std::multiset<std::string> inside;
                Contents(message, inside, subjectsOnDisk);
                onDisk.insert(inside.begin(), inside.end());
            }
            onDisk.insert(bytes);
        }
        onDisk.insert(archived.begin(), archived.end());
        for (const auto& entry : fs::recursive_directory_iterator(drive + "/Mail")) {
            if (entry.is_regular_file()) {
                const std::string bytes = ReadWhole(entry.path());
                const std::string name = entry.path().filename().string();
                const bool known = originalData.count(bytes) > 0 || archived.count(bytes) > 0 ||
                                   name.substr(name.size() - 4) == ".zip" ||
                                   name.substr(name.size() - 4) == ".msg" ||
                                   ArchiveEntryData().count(bytes) > 0;
                EXPECT_TRUE(known) << "a file that is no copy of anything: " << name;
            }
        }
        for (const std::string& data : originalData) {
            EXPECT_TRUE(stored.count(data) > 0 || onDisk.count(data) > 0)
                << "an attachment is lost: " << data.substr(0, 40);
        }
        for (const std::string& subject : originalSubjects) {
            EXPECT_TRUE(storedSubjects.count(subject) > 0 || subjectsOnDisk.count(subject) > 0)
                << "a message is lost: " << subject;
        }
        if (SUCCEEDED(result)) {
            EXPECT_EQ(state, faultFree) << "a run that ended short said it succeeded";
        }
    }

    std::set<std::string> ArchiveEntryData() const { return {"unpacked x", "unpacked a"}; }

    std::string drive;
    std::vector<std::pair<std::string, MessageDraft>> drafts;
    std::map<std::string, std::string> originals;
    std::multiset<std::string> originalData;
    std::set<std::string> originalSubjects;
};

TEST_F(SaveFaultSweepTest, NoFailureAnywhereLosesAnAttachment) {
    Prepare();
    HRESULT result = E_FAIL;
    const std::vector<testing_support::FaultPoint> points =
        testing_support::FaultPointsOf([&] { result = Run(); });
    ASSERT_EQ(result, S_OK);
    std::multiset<std::string> data;
    std::set<std::string> subjects;
    const std::string faultFree = StoredState(data, subjects);
    // Everything went: the top messages hold links to the archive only.
    EXPECT_EQ(faultFree, "first.msg\n  LinkTo_pack.zip/2\nsecond.msg\n");
    CheckInvariants(result, faultFree);
    ASSERT_GT(points.size(), 100u);

    const testing_support::SweepFigures figures = testing_support::SweepFaults(
        points, [&] { Prepare(); }, [&] { result = Run(); },
        [&](const testing_support::FaultPoint&) { CheckInvariants(result, faultFree); });

    EXPECT_EQ(figures.runs, points.size());
    std::printf("fault sweep: %zu fault points, %zu runs in %.1f s\n", points.size(), figures.runs,
                figures.time.count());
}

} // namespace
