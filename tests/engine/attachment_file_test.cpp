#include "engine/attachment_file.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/com/stream_base.h"
#include "platform/mapi_tags.h"
#include "platform/ole_storage.h"
#include "platform/win32_files.h"
#include "platform/win32_time.h"
#include "tests/support/drive_test.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace {

using embedded::AttachmentDraft;
using embedded::MessageDraft;
using embedded::UtcFileTime;

constexpr std::uint64_t kCreateFileForTimes =
    (static_cast<std::uint64_t>(FILE_WRITE_ATTRIBUTES) << 32) | (OPEN_EXISTING << 8);
// Files written a while ago, so that they cannot be taken for the times of the writing.
const FILETIME kCreated = UtcFileTime(2024, 3, 5, 14, 30, 12);
const FILETIME kModified = UtcFileTime(2024, 3, 6, 9, 15, 0);
// Slack for the clock of the file system against the clock of the test.
constexpr std::int64_t kTwoSeconds = 2 * 10'000'000LL;

std::int64_t Ticks(const FILETIME& time) {
    return embedded::TicksFromFileTime(time);
}

std::int64_t NowTicks() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

// Generated content that is never held whole: every read says how much it was asked for.
class GeneratedContent final : public embedded::ByteSource {
  public:
    explicit GeneratedContent(std::uint64_t size) : size(size) {}
    static char ByteAt(std::uint64_t offset) { return static_cast<char>((offset * 131) >> 3); }

    std::uint64_t Size() const override { return size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override {
        std::size_t seen = largestRead.load();
        while (count > seen && !largestRead.compare_exchange_weak(seen, count)) {
        }
        if (offset + count > size) {
            return false;
        }
        auto* bytes = static_cast<char*>(buffer);
        for (std::size_t i = 0; i < count; ++i) {
            bytes[i] = ByteAt(offset + i);
        }
        return true;
    }
    std::size_t LargestRead() const { return largestRead.load(); }

  private:
    std::uint64_t size;
    mutable std::atomic<std::size_t> largestRead{0};
};

struct FileTimes {
    FILETIME creation{};
    FILETIME lastWrite{};
};

class AttachmentFileTest : public testing_support::DriveTest {
  protected:
    // The first attachment of a new message that holds `attachment`, opened as the driver has
    // it; the call log starts empty after it.
    ComPtr<IAttach> Open(const AttachmentDraft& attachment) {
        const auto id = store.AddMessage(MessageDraft().Subject("Q3").Attach(attachment));
        message.Reset(store.OpenMessage(id));
        ComPtr<IAttach> opened;
        EXPECT_EQ(
            message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, opened.Out()),
            S_OK);
        embedded::ClearCallLog();
        return opened;
    }

    std::string Host(const std::string& relative) const { return temp.path() + "/" + relative; }

    // Read through the platform, as a user of the saved file sees them.
    static std::optional<FileTimes> TimesOf(LPCSTR path) {
        HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        FileTimes times;
        const BOOL read = GetFileTime(file, &times.creation, nullptr, &times.lastWrite);
        CloseHandle(file);
        return read ? std::optional<FileTimes>(times) : std::nullopt;
    }

    // Creation times are kept beside the file in an extended attribute.
    bool KeepsCreationTimes() const {
        temp.WriteFile("probe", "");
        const bool kept = ::setxattr(Host("probe").c_str(), "user.filvex.probe", "x", 1, 0) == 0;
        std::remove(Host("probe").c_str());
        return kept;
    }

    embedded::MessageStore store;
    ComPtr<IMessage> message;
};

TEST_F(AttachmentFileTest, WritesTheContentAndTheTimesThatTheAttachmentHas) {
    struct Case {
        const char* name;
        std::string content;
        bool created;
        bool modified;
    };
    const Case cases[] = {
        {"both times", "%PDF-1.4 quarterly figures", true, true},
        {"only the creation time", "only created", true, false},
        {"no times", "no times at all", false, false},
        {"zero length", "", true, true},
    };
    const bool creationKept = KeepsCreationTimes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(Host("report.pdf").c_str()); // a new file, with no times of an earlier one
        AttachmentDraft draft = AttachmentDraft::File("report.pdf", c.content);
        if (c.created) {
            draft.Created(kCreated);
        }
        if (c.modified) {
            draft.Modified(kModified);
        }
        ComPtr<IAttach> attachment = Open(draft);
        const std::int64_t before = NowTicks();

        EXPECT_EQ(WriteAttachmentFile(attachment.Get(), "C:\\report.pdf",
                                      c.created ? &kCreated : nullptr,
                                      c.modified ? &kModified : nullptr),
                  S_OK);

        ASSERT_TRUE(temp.Exists("report.pdf"));
        EXPECT_EQ(temp.ReadFile("report.pdf"), c.content);
        const auto opened = embedded::CallsOf("OpenProperty");
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].flags, 0u); // read access
        const auto streams = embedded::CallsOf("OpenStreamOnFile");
        ASSERT_EQ(streams.size(), 1u);
        EXPECT_EQ(streams[0].flags, 0x1002u);
        EXPECT_EQ(embedded::CallsOf("CopyTo").size(), 1u);
        const auto forTimes = embedded::CallsOf("CreateFileA");
        ASSERT_EQ(forTimes.size(), 1u);
        EXPECT_EQ(forTimes[0].flags, kCreateFileForTimes); // no sharing
        EXPECT_EQ(embedded::CallsOf("SetFileTime").size(), 1u);
        EXPECT_EQ(embedded::CallsOf("CloseHandle").size(), 1u);

        const auto times = TimesOf("C:\\report.pdf");
        ASSERT_TRUE(times);
        if (c.modified) {
            EXPECT_EQ(Ticks(times->lastWrite), Ticks(kModified));
        } else {
            EXPECT_GE(Ticks(times->lastWrite), before - kTwoSeconds);
        }
        if (c.created && creationKept) {
            EXPECT_EQ(Ticks(times->creation), Ticks(kCreated));
        } else if (!c.created) {
            EXPECT_NE(Ticks(times->creation), Ticks(kCreated));
        }
    }
}

TEST_F(AttachmentFileTest, ReplacesAFileOfTheSameName) {
    temp.WriteFile("Mail/notes.txt", "an older and much longer text than the new one");
    ComPtr<IAttach> attachment = Open(AttachmentDraft::File("notes.txt", "new"));
    EXPECT_EQ(WriteAttachmentFile(attachment.Get(), "C:\\Mail\\notes.txt", nullptr, nullptr), S_OK);
    EXPECT_EQ(temp.ReadFile("Mail/notes.txt"), "new");
}

TEST_F(AttachmentFileTest, BigContentIsStreamedInPiecesAndNeverHeldWhole) {
    constexpr std::uint64_t kSize = 64ull * 1024 * 1024;
    auto content = std::make_shared<GeneratedContent>(kSize);
    ComPtr<IAttach> attachment =
        Open(AttachmentDraft::File("image.iso", "").Content(content).Modified(kModified));

    EXPECT_EQ(WriteAttachmentFile(attachment.Get(), "C:\\image.iso", nullptr, &kModified), S_OK);

    EXPECT_EQ(embedded::CallsOf("CopyTo").size(), 1u);
    const auto writes = embedded::CallsOf("Write");
    EXPECT_EQ(writes.size(), kSize / embedded::kStreamCopyChunk);
    EXPECT_TRUE(std::all_of(writes.begin(), writes.end(), [](const embedded::CallRecord& w) {
        return w.flags <= embedded::kStreamCopyChunk;
    }));
    EXPECT_LE(content->LargestRead(), embedded::kStreamCopyChunk);

    std::ifstream file(Host("image.iso"), std::ios::binary);
    std::vector<char> piece(1 << 20);
    std::uint64_t offset = 0;
    bool same = true;
    while (file.read(piece.data(), static_cast<std::streamsize>(piece.size())) ||
           file.gcount() > 0) {
        for (std::streamsize i = 0; i < file.gcount() && same; ++i) {
            same = piece[static_cast<std::size_t>(i)] == GeneratedContent::ByteAt(offset + i);
        }
        offset += static_cast<std::uint64_t>(file.gcount());
    }
    EXPECT_EQ(offset, kSize);
    EXPECT_TRUE(same);
    const auto times = TimesOf("C:\\image.iso");
    ASSERT_TRUE(times);
    EXPECT_EQ(Ticks(times->lastWrite), Ticks(kModified));
}

TEST_F(AttachmentFileTest, FailuresOfOpeningAndCopyingAreReturnedAndGiveNoTimes) {
    struct Case {
        const char* name;
        const char* operation; // the call made to fail, or none
        int nth;
        HRESULT fault;
        bool withoutData;
        HRESULT expected;
        const char* fileAfter; // the file's content afterwards, or null when there is none
    };
    const std::string bigContent(3 * embedded::kStreamCopyChunk, 'x');
    const Case cases[] = {
        {"data cannot be opened", "OpenProperty", 1, MAPI_E_NO_ACCESS, false, MAPI_E_NO_ACCESS,
         nullptr},
        {"attachment without data", nullptr, 0, S_OK, true, MAPI_E_NOT_FOUND, nullptr},
        {"file cannot be opened", "OpenStreamOnFile", 1, MAPI_E_NO_ACCESS, false, MAPI_E_NO_ACCESS,
         nullptr},
        {"copy refused", "CopyTo", 1, STG_E_MEDIUMFULL, false, STG_E_MEDIUMFULL, nullptr},
        // The disk fills after the first piece: the part written would look like a good copy,
        // so it goes.
        {"copy stops half-way", "Write", 2, STG_E_MEDIUMFULL, false, STG_E_MEDIUMFULL, nullptr},
        // Data that cannot be made durable is no copy to remove an attachment for.
        {"file cannot be flushed", "Commit", 1, STG_E_WRITEFAULT, false, STG_E_WRITEFAULT, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(Host("big.bin").c_str());
        AttachmentDraft draft = AttachmentDraft::File("big.bin", bigContent).Modified(kModified);
        if (c.withoutData) {
            draft.Without(PR_ATTACH_DATA_BIN);
        }
        ComPtr<IAttach> attachment = Open(draft);
        if (c.operation != nullptr) {
            embedded::FailNthCall(c.operation, c.nth, c.fault);
        }

        EXPECT_EQ(WriteAttachmentFile(attachment.Get(), "C:\\big.bin", nullptr, &kModified),
                  c.expected);

        embedded::ClearFaults();
        if (c.fileAfter == nullptr) {
            EXPECT_FALSE(temp.Exists("big.bin"));
        } else if (std::string(c.fileAfter) == "first") {
            EXPECT_EQ(temp.ReadFile("big.bin"), bigContent.substr(0, embedded::kStreamCopyChunk));
        } else {
            EXPECT_EQ(temp.ReadFile("big.bin"), c.fileAfter);
        }
        // A failed copy gets no times.
        EXPECT_TRUE(embedded::CallsOf("CreateFileA").empty());
        EXPECT_TRUE(embedded::CallsOf("SetFileTime").empty());
    }
}

TEST_F(AttachmentFileTest, FailuresOfTheTimesAreSilent) {
    struct Case {
        const char* name;
        const char* operation;
        std::size_t closes;
    };
    const Case cases[] = {
        {"file cannot be opened for its times", "CreateFileA", 0},
        {"times refused", "SetFileTime", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IAttach> attachment = Open(AttachmentDraft::File("a.txt", "text").Created(kCreated));
        const std::int64_t before = NowTicks();
        embedded::FailNthCall(c.operation, 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

        EXPECT_EQ(WriteAttachmentFile(attachment.Get(), "C:\\a.txt", &kCreated, &kModified), S_OK);

        embedded::ClearFaults();
        EXPECT_EQ(temp.ReadFile("a.txt"), "text");
        EXPECT_EQ(embedded::CallsOf("CloseHandle").size(), c.closes);
        const auto times = TimesOf("C:\\a.txt");
        ASSERT_TRUE(times);
        EXPECT_GE(Ticks(times->lastWrite), before - kTwoSeconds);
    }
}

TEST_F(AttachmentFileTest, MissingAttachmentOrPathIsRefused) {
    ComPtr<IAttach> attachment = Open(AttachmentDraft::File("a.txt", "text"));
    EXPECT_EQ(WriteAttachmentFile(nullptr, "C:\\a.txt", nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(WriteAttachmentFile(attachment.Get(), nullptr, nullptr, nullptr), E_INVALIDARG);
    EXPECT_FALSE(temp.Exists("a.txt"));
    EXPECT_TRUE(embedded::CallLog().empty());
}

} // namespace
