#include "platform/com_ptr.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_store.h"
#include "platform/mapi_functions.h"
#include "tests/support/drive_test.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr ULONG kCreateReadWrite = STGM_CREATE | STGM_READWRITE;

class FileStreamTest : public testing_support::DriveTest {
  protected:
    HRESULT Open(ULONG flags, const std::string& path, ComPtr<IStream>& stream) {
        std::string windowsPath = path;
        return OpenStreamOnFile(MAPIAllocateBuffer, MAPIFreeBuffer, flags, windowsPath.data(),
                                nullptr, stream.Out());
    }

    // The content stream of the first attachment of a new message holding `content`.
    ComPtr<IStream> AttachmentStream(const std::string& content) {
        const auto id = store.AddMessage(embedded::MessageDraft().File("a.bin", content));
        ComPtr<IMAPISession> session(store.OpenSession());
        ULONG type = 0;
        session->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS,
                           &type, message.OutUnknown());
        ComPtr<IAttach> attachment;
        message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, attachment.Out());
        ComPtr<IStream> data;
        attachment->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, data.OutUnknown());
        return data;
    }

    embedded::MessageStore store;
    ComPtr<IMessage> message;
};

TEST_F(FileStreamTest, AttachmentCopiesIntoANewFileInOneCall) {
    std::string content(300 * 1024 + 7, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 31);
    }
    temp.WriteFile("Out/report.bin", "old and longer than nothing");
    ComPtr<IStream> data = AttachmentStream(content);
    ASSERT_TRUE(data);
    ComPtr<IStream> file;
    ASSERT_EQ(Open(kCreateReadWrite, "C:\\OUT\\report.bin", file), S_OK);
    ULARGE_INTEGER all;
    all.QuadPart = 0x7FFFFFFFFFFFFFFFull;
    EXPECT_EQ(data->CopyTo(file.Get(), all, nullptr, nullptr), S_OK);
    file.Reset();
    EXPECT_EQ(temp.ReadFile("Out/report.bin"), content);
}

TEST_F(FileStreamTest, ReadsAnExistingFileAndRefusesToWriteIt) {
    temp.WriteFile("in.txt", "hello");
    ComPtr<IStream> file;
    ASSERT_EQ(Open(STGM_READ, "C:\\in.txt", file), S_OK);
    char buffer[16] = {};
    ULONG got = 0;
    EXPECT_EQ(file->Read(buffer, sizeof buffer, &got), S_OK);
    EXPECT_EQ(std::string(buffer, got), "hello");
    ULONG put = 1;
    EXPECT_EQ(file->Write("x", 1, &put), STG_E_ACCESSDENIED);
    EXPECT_EQ(put, 0u);
    STATSTG info;
    EXPECT_EQ(file->Stat(&info, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(info.cbSize.QuadPart, 5u);
}

TEST_F(FileStreamTest, OpenFailuresAreReported) {
    struct Case {
        const char* name;
        ULONG flags;
        const char* path;
        HRESULT result;
    };
    temp.WriteFile("Folder/x", "");
    const Case cases[] = {
        {"missing file for reading", STGM_READ, "C:\\missing.txt", MAPI_E_NOT_FOUND},
        {"missing folder on the way", kCreateReadWrite, "C:\\nowhere\\new.txt", MAPI_E_NOT_FOUND},
        {"a folder is no file", STGM_READ, "C:\\Folder", MAPI_E_NO_ACCESS},
        {"unmapped drive", kCreateReadWrite, "Q:\\new.txt", MAPI_E_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ComPtr<IStream> file;
        EXPECT_EQ(Open(c.flags, c.path, file), c.result);
        EXPECT_FALSE(file);
    }
}

TEST_F(FileStreamTest, FailedWriteStopsTheCopyAndLeavesThePartWritten) {
    const std::string content(200 * 1024, 'z');
    ComPtr<IStream> data = AttachmentStream(content);
    ComPtr<IStream> file;
    ASSERT_EQ(Open(kCreateReadWrite, "C:\\part.bin", file), S_OK);
    embedded::FailNthCall("Write", 2, STG_E_MEDIUMFULL);
    ULARGE_INTEGER all;
    all.QuadPart = 0x7FFFFFFFFFFFFFFFull;
    ULARGE_INTEGER written{};
    EXPECT_EQ(data->CopyTo(file.Get(), all, nullptr, &written), STG_E_MEDIUMFULL);
    file.Reset();
    EXPECT_TRUE(temp.Exists("part.bin"));
    EXPECT_EQ(temp.ReadFile("part.bin").size(), written.QuadPart);
    EXPECT_LT(written.QuadPart, content.size());
}

} // namespace
