#include "platform/embedded/msg/msg_property_stream.h"

#include <cstdio>

namespace embedded {
namespace {

constexpr std::size_t kEntrySize = 16;

std::uint32_t Get32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
           (static_cast<std::uint32_t>(data[at + 2]) << 16) |
           (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::string Hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

} // namespace

std::size_t MsgPropertyHeaderSize(MsgObjectKind kind) {
    switch (kind) {
    case MsgObjectKind::TopLevelMessage:
        return 32;
    case MsgObjectKind::EmbeddedMessage:
        return 24;
    case MsgObjectKind::Attachment:
    case MsgObjectKind::Recipient:
        return 8;
    }
    return 8;
}

std::optional<MsgPropertyStream> ParseMsgPropertyStream(std::span<const std::uint8_t> data,
                                                        MsgObjectKind kind) {
    const std::size_t header = MsgPropertyHeaderSize(kind);
    if (data.size() < header || (data.size() - header) % kEntrySize != 0) {
        return std::nullopt;
    }
    MsgPropertyStream stream;
    if (header >= 24) {
        stream.nextRecipientId = Get32(data, 8);
        stream.nextAttachmentId = Get32(data, 12);
        stream.recipientCount = Get32(data, 16);
        stream.attachmentCount = Get32(data, 20);
    }
    for (std::size_t at = header; at < data.size(); at += kEntrySize) {
        MsgPropertyEntry entry;
        entry.tag = Get32(data, at);
        entry.flags = Get32(data, at + 4);
        for (std::size_t i = 0; i < entry.value.size(); ++i) {
            entry.value[i] = data[at + 8 + i];
        }
        stream.entries.push_back(entry);
    }
    return stream;
}

std::vector<std::uint8_t> SerializeMsgPropertyStream(const MsgPropertyStream& stream,
                                                     MsgObjectKind kind) {
    std::vector<std::uint8_t> out(8, 0);
    if (MsgPropertyHeaderSize(kind) >= 24) {
        Put32(out, stream.nextRecipientId);
        Put32(out, stream.nextAttachmentId);
        Put32(out, stream.recipientCount);
        Put32(out, stream.attachmentCount);
    }
    out.resize(MsgPropertyHeaderSize(kind), 0);
    for (const MsgPropertyEntry& entry : stream.entries) {
        Put32(out, entry.tag);
        Put32(out, entry.flags);
        out.insert(out.end(), entry.value.begin(), entry.value.end());
    }
    return out;
}

bool IsFixedSizeMsgType(std::uint16_t type) {
    switch (type) {
    case 0x0002: // short
    case 0x0003: // long
    case 0x0004: // float
    case 0x0005: // double
    case 0x0006: // currency
    case 0x0007: // application time
    case 0x000A: // error
    case 0x000B: // boolean
    case 0x0014: // 64-bit integer
    case 0x0040: // time
        return true;
    default:
        return false;
    }
}

std::string MsgValueStreamName(std::uint32_t tag) {
    return "__substg1.0_" + Hex8(tag);
}

std::string MsgValueStreamName(std::uint32_t tag, std::uint32_t index) {
    return MsgValueStreamName(tag) + "-" + Hex8(index);
}

std::string MsgAttachmentStorageName(std::uint32_t number) {
    return "__attach_version1.0_#" + Hex8(number);
}

std::string MsgRecipientStorageName(std::uint32_t number) {
    return "__recip_version1.0_#" + Hex8(number);
}

} // namespace embedded
