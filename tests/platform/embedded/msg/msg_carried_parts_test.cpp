// A rewrite of a ".msg" file keeps what its reader did not understand, byte for byte.
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/msg/msg_property_stream.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/storage/storage_tree.h"
#include "platform/embedded/store/message_store.h"
#include "platform/mapi_interfaces.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

namespace {

using embedded::CompoundStorageReader;
using embedded::MessageData;
using embedded::MessageDraft;
using embedded::StorageNode;
using embedded::StreamNode;

std::shared_ptr<StreamNode> Stream(const std::string& bytes) {
    auto stream = std::make_shared<StreamNode>();
    EXPECT_TRUE(stream->content.WriteAt(0, bytes.data(), bytes.size()));
    return stream;
}

std::string Bytes(const StreamNode& stream) {
    std::string bytes(static_cast<std::size_t>(stream.content.Size()), '\0');
    EXPECT_TRUE(stream.content.ReadAt(0, bytes.data(), bytes.size()));
    return bytes;
}

// Every stream of a compound file by its path, "storage/…/stream"; storages by their class.
void Flatten(const CompoundStorageReader& storage, const std::string& prefix,
             std::map<std::string, std::string>& out) {
    const embedded::ClassId id = storage.GetClassId();
    out[prefix + "<class>"] = std::string(id.begin(), id.end());
    for (const embedded::CompoundEntry& entry : storage.Entries()) {
        if (entry.isStorage) {
            Flatten(*storage.OpenStorage(entry.name), prefix + entry.name + "/", out);
        } else {
            auto stream = storage.OpenStream(entry.name);
            std::string bytes(static_cast<std::size_t>(stream->Size()), '\0');
            EXPECT_TRUE(stream->ReadAt(0, bytes.data(), bytes.size()));
            out[prefix + entry.name] = bytes;
        }
    }
}

std::map<std::string, std::string> FileTree(const std::string& path) {
    std::map<std::string, std::string> tree;
    auto root = CompoundStorageReader::OpenFile(path);
    EXPECT_TRUE(root);
    if (root) {
        Flatten(*root, "", tree);
    }
    return tree;
}

// The entries of a property stream whose identifier is `id`.
std::size_t EntriesWithId(const std::string& bytes, ULONG id) {
    std::size_t count = 0;
    for (std::size_t at = embedded::MsgPropertyHeaderSize(embedded::MsgObjectKind::Attachment);
         at + 16 <= bytes.size(); at += 16) {
        const auto tag =
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) |
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
        count += PROP_ID(tag) == id ? 1 : 0;
    }
    return count;
}

// Changes the type of every entry of `id` to one no reader knows: the entry is garbled.
void Garble(std::string& properties, ULONG id) {
    for (std::size_t at = embedded::MsgPropertyHeaderSize(embedded::MsgObjectKind::Attachment);
         at + 16 <= properties.size(); at += 16) {
        const auto high =
            static_cast<std::uint32_t>(static_cast<unsigned char>(properties[at + 2])) |
            static_cast<std::uint32_t>(static_cast<unsigned char>(properties[at + 3])) << 8;
        if (high == id) {
            properties[at] = 0x77;
            properties[at + 1] = 0x07;
        }
    }
}

TEST(MsgCarriedPartsTest, WhatTheReaderDidNotInterpretSurvivesARewriteByteForByte) {
    testing_support::TempFolder temp;
    MessageDraft draft;
    draft.Subject("Carried")
        .File("garbled.pdf", "the garbled attachment's data")
        .File("damaged.pdf", "the damaged attachment's data")
        .File("plain.txt", "plain");
    StorageNode root;
    ASSERT_EQ(embedded::WriteMsgMessage(draft.Data(), root), S_OK);
    // A storage of another program, with a class of its own.
    auto custom = std::make_shared<StorageNode>();
    custom->classId[0] = 0x42;
    custom->streams["data"] = Stream("custom bytes");
    custom->storages["inner"] = std::make_shared<StorageNode>();
    custom->storages["inner"]->streams["deeper"] = Stream(std::string(70000, 'c'));
    root.storages["Custom storage"] = custom;
    // A value stream that no property entry names.
    root.streams["__substg1.0_7FF00102"] = Stream("unlisted value");
    // An attachment storage whose name is damaged: not an attachment to the reader.
    root.storages["__attach_version1.0_#0000000G"] =
        root.storages[embedded::MsgAttachmentStorageName(1)];
    root.storages.erase(embedded::MsgAttachmentStorageName(1));
    // An attachment whose name and data entries are garbled; its data stream stays intact.
    StorageNode& garbled = *root.storages[embedded::MsgAttachmentStorageName(0)];
    std::string properties = Bytes(*garbled.streams[embedded::kMsgPropertyStreamName]);
    Garble(properties, PROP_ID(PR_ATTACH_LONG_FILENAME));
    Garble(properties, PROP_ID(PR_ATTACH_DATA_BIN));
    garbled.streams[embedded::kMsgPropertyStreamName] = Stream(properties);
    std::memcpy(root.classId.data(), &CLSID_MailMessage, sizeof(CLSID));
    const std::string path = temp.path() + "/carried.msg";
    ASSERT_TRUE(embedded::WriteCompoundFile(root, path));
    const std::map<std::string, std::string> before = FileTree(path);

    MessageData message;
    ASSERT_EQ(embedded::ReadMsgFile(path, message), S_OK);
    message.SetText(PR_SUBJECT, "Carried, and changed");
    ASSERT_EQ(embedded::SaveMsgFile(message, path), S_OK);

    const std::map<std::string, std::string> after = FileTree(path);
    for (const auto& [name, bytes] : before) {
        const bool carried =
            name.rfind("Custom storage/", 0) == 0 ||
            name.rfind("__attach_version1.0_#0000000G/", 0) == 0 ||
            name == "__substg1.0_7FF00102" ||
            name.rfind(embedded::MsgAttachmentStorageName(0) + "/__substg1.0_3701", 0) == 0;
        if (carried) {
            SCOPED_TRACE(name);
            ASSERT_EQ(after.count(name), 1u);
            EXPECT_EQ(after.at(name), bytes);
        }
    }
    // The garbled entries go back too: the attachment is kept whole, not without its name.
    const std::string written =
        after.at(embedded::MsgAttachmentStorageName(0) + "/" + embedded::kMsgPropertyStreamName);
    EXPECT_EQ(EntriesWithId(written, PROP_ID(PR_ATTACH_LONG_FILENAME)), 1u);
    EXPECT_EQ(EntriesWithId(written, PROP_ID(PR_ATTACH_DATA_BIN)), 1u);
    MessageData reread;
    ASSERT_EQ(embedded::ReadMsgFile(path, reread), S_OK);
    EXPECT_EQ(reread.Text(PR_SUBJECT), "Carried, and changed");
    EXPECT_EQ(reread.attachments.size(), 2u); // the garbled one and plain.txt

    // Rewritten again, from the new file: still all there.
    reread.SetText(PR_SUBJECT, "Once more");
    ASSERT_EQ(embedded::SaveMsgFile(reread, path), S_OK);
    EXPECT_EQ(FileTree(path).at("Custom storage/inner/deeper"), std::string(70000, 'c'));
}

} // namespace
