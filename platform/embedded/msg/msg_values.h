// How property values are laid out in the streams of an Outlook item file: a fixed-size value
// in its bytes (in the property stream's entry, or one after another in the one stream of a
// fixed-size multi-valued property), and the lengths stream that lists the values of a
// multi-valued string or binary property, each in a stream of its own.
#pragma once

#include "platform/embedded/store/message_data.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace embedded {

// The bytes of one value of a fixed-size type that the store keeps (a CLSID among them); 0 for
// other types, errors among them.
std::size_t MsgFixedValueSize(ULONG type);

// `data` holds MsgFixedValueSize(type) bytes.
void DecodeMsgFixedValue(ULONG type, const std::uint8_t* data, PropertyValue& value);
// Writes MsgFixedValueSize(type) bytes, the unused ones of a narrow type as zeros.
void EncodeMsgFixedValue(const PropertyValue& value, ULONG type, std::uint8_t* out);

// Text from a string value stream, without the terminating nulls that writers store.
std::u16string DecodeMsgWideText(const std::string& content);
// 8-bit text in the message's code page, as UTF-8.
std::string DecodeMsgNarrowText(const std::string& content, std::uint32_t codePage);
// Text of either width as the UTF-16LE bytes that a Unicode value stream holds, without
// terminator.
std::string EncodeMsgWideText(const PropertyValue& text, ULONG type);

// True for the multi-valued types whose values lie one after another in one stream.
bool IsMsgFixedArrayType(ULONG type);
// The values of a fixed-size multi-valued property from its stream; nothing when the stream
// is not a whole number of values.
std::optional<std::vector<PropertyValue>> DecodeMsgFixedArray(ULONG tag,
                                                              const std::string& content);
std::string EncodeMsgFixedArray(const PropertyValue& value);

// True for the multi-valued types whose values each have a stream (strings and binaries).
bool IsMsgValueListType(ULONG type);
// The length of each value that a lengths stream lists; nothing when it is not a whole number
// of entries.
std::optional<std::vector<std::uint32_t>> DecodeMsgLengths(ULONG type, const std::string& lengths);
std::string EncodeMsgLengths(ULONG type, const std::vector<std::uint32_t>& lengths);

} // namespace embedded
