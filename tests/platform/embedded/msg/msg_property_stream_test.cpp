#include "platform/embedded/msg/msg_property_stream.h"

#include <gtest/gtest.h>

namespace {

using embedded::MsgObjectKind;

TEST(MsgPropertyStream, HeaderFitsWhatTheStreamBelongsTo) {
    embedded::MsgPropertyStream stream;
    stream.nextAttachmentId = 3;
    stream.attachmentCount = 2;
    stream.recipientCount = 1;
    stream.nextRecipientId = 1;
    embedded::MsgPropertyEntry subject;
    subject.tag = 0x0037001F;
    subject.value = {12, 0, 0, 0, 0, 0, 0, 0};
    stream.entries.push_back(subject);

    struct Case {
        const char* name;
        MsgObjectKind kind;
        std::size_t size;
        bool keepsCounts;
    };
    const Case cases[] = {
        {"top-level message", MsgObjectKind::TopLevelMessage, 32 + 16, true},
        {"embedded message", MsgObjectKind::EmbeddedMessage, 24 + 16, true},
        {"attachment", MsgObjectKind::Attachment, 8 + 16, false},
        {"recipient", MsgObjectKind::Recipient, 8 + 16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = embedded::SerializeMsgPropertyStream(stream, c.kind);
        EXPECT_EQ(bytes.size(), c.size);
        const auto parsed = embedded::ParseMsgPropertyStream(bytes, c.kind);
        ASSERT_TRUE(parsed);
        ASSERT_EQ(parsed->entries.size(), 1u);
        EXPECT_EQ(parsed->entries[0].tag, 0x0037001Fu);
        EXPECT_EQ(parsed->entries[0].value[0], 12);
        EXPECT_EQ(parsed->attachmentCount, c.keepsCounts ? 2u : 0u);
        EXPECT_EQ(parsed->nextAttachmentId, c.keepsCounts ? 3u : 0u);
    }
}

TEST(MsgPropertyStream, ShortOrRaggedStreamsAreRefused) {
    const std::vector<std::uint8_t> shortHeader(20, 0);
    EXPECT_FALSE(embedded::ParseMsgPropertyStream(shortHeader, MsgObjectKind::TopLevelMessage));
    const std::vector<std::uint8_t> ragged(32 + 15, 0);
    EXPECT_FALSE(embedded::ParseMsgPropertyStream(ragged, MsgObjectKind::TopLevelMessage));
}

TEST(MsgPropertyStream, StreamAndStorageNames) {
    EXPECT_EQ(embedded::MsgValueStreamName(0x0037001F), "__substg1.0_0037001F");
    EXPECT_EQ(embedded::MsgValueStreamName(0x8001101F, 10), "__substg1.0_8001101F-0000000A");
    EXPECT_EQ(embedded::MsgAttachmentStorageName(10), "__attach_version1.0_#0000000A");
    EXPECT_EQ(embedded::MsgRecipientStorageName(0), "__recip_version1.0_#00000000");
}

} // namespace
