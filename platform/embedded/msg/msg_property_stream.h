// The property stream of an Outlook item file ("__properties_version1.0") and the names of the
// streams and storages around it. Fixed-size values sit in the stream itself; variable-size
// values are in "__substg1.0_" streams named after their tag, the entry holding their size.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace embedded {

// The header differs by what the stream belongs to.
enum class MsgObjectKind { TopLevelMessage, EmbeddedMessage, Attachment, Recipient };

constexpr std::uint32_t kMsgPropertyReadable = 0x2;
constexpr std::uint32_t kMsgPropertyWritable = 0x4;

struct MsgPropertyEntry {
    std::uint32_t tag = 0;
    std::uint32_t flags = kMsgPropertyReadable | kMsgPropertyWritable;
    std::array<std::uint8_t, 8> value{};
};

struct MsgPropertyStream {
    // Meaningful for messages only.
    std::uint32_t nextRecipientId = 0;
    std::uint32_t nextAttachmentId = 0;
    std::uint32_t recipientCount = 0;
    std::uint32_t attachmentCount = 0;
    std::vector<MsgPropertyEntry> entries;
};

std::size_t MsgPropertyHeaderSize(MsgObjectKind kind);

// Nothing when the stream is shorter than its header or its entries are not whole.
std::optional<MsgPropertyStream> ParseMsgPropertyStream(std::span<const std::uint8_t> data,
                                                        MsgObjectKind kind);
std::vector<std::uint8_t> SerializeMsgPropertyStream(const MsgPropertyStream& stream,
                                                     MsgObjectKind kind);

// True for the types whose values live in the entry itself.
bool IsFixedSizeMsgType(std::uint16_t type);

std::string MsgValueStreamName(std::uint32_t tag);
// The stream of one value of a multi-valued variable-size property.
std::string MsgValueStreamName(std::uint32_t tag, std::uint32_t index);
std::string MsgAttachmentStorageName(std::uint32_t number);
std::string MsgRecipientStorageName(std::uint32_t number);

inline constexpr const char* kMsgPropertyStreamName = "__properties_version1.0";
inline constexpr const char* kMsgNamedPropertyStorageName = "__nameid_version1.0";
inline constexpr const char* kMsgEmbeddedMessageStorageName = "__substg1.0_3701000D";

} // namespace embedded
