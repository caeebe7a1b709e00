// A message file rewritten on a disk that fills up: the old file stays, byte for byte.
#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/mapi_functions.h"
#include "tests/support/small_disk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

TEST(FullDiskTest, AMessageThatNoLongerFitsKeepsItsOldFile) {
    embedded::ResetPlatformTrace();
    testing_support::SmallDisk disk(256 * 1024);
    SKIP_UNLESS_MOUNTED(disk);
    embedded::MessageData data =
        embedded::MessageDraft().Subject("Kept").File("a.txt", std::string(40 * 1024, 'a')).Data();
    const std::string file = disk.path() + "/a.msg";
    ASSERT_EQ(embedded::SaveMsgFile(data, file), S_OK);
    const std::string before = Bytes(file);

    embedded::MsgFolderStore store(disk.path());
    ComPtr<IMAPISession> session(store.OpenSession());
    embedded::EntryId id = store.Message("a.msg");
    ULONG type = 0;
    ComPtr<IMessage> message;
    ASSERT_EQ(
        session->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_MODIFY, &type, message.OutUnknown()),
        S_OK);
    ULONG number = 0;
    ComPtr<IAttach> attachment;
    ASSERT_EQ(message->CreateAttach(nullptr, 0, &number, attachment.Out()), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(attachment->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0,
                                       MAPI_CREATE | MAPI_MODIFY, stream.OutUnknown()),
              S_OK);
    const std::string big(300 * 1024, 'b');
    ULONG written = 0;
    ASSERT_EQ(stream->Write(big.data(), static_cast<ULONG>(big.size()), &written), S_OK);
    stream.Reset();
    ASSERT_EQ(attachment->SaveChanges(0), S_OK);
    attachment.Reset();

    EXPECT_TRUE(FAILED(message->SaveChanges(0)));
    EXPECT_EQ(Bytes(file), before);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(disk.path())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"a.msg"});
}

} // namespace
