// What the embedded message store holds: properties, attachments, recipients and embedded
// messages as plain values. Tests read a message back in this form after the module ran.
#pragma once

#include "platform/mapi_tags.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace embedded {

// The bytes of a big binary value that stay in their file until someone asks for them: a
// stream reads them piece by piece, GetProps reads them whole once and keeps them.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly `count` bytes at `offset`; false when they cannot be read.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const = 0;
    // All the bytes, read on the first call; null when they cannot be read.
    const std::string* Load() const;

  private:
    mutable std::optional<std::string> loaded;
    mutable bool failed = false;
};

// One stored property. Integers, flags, times and currency amounts live in `number`;
// floating-point numbers and application times in `real`; 8-bit text, binary content and a
// CLSID's 16 bytes (in their little-endian file order) in `bytes`; Unicode text in `wide`. A
// multi-valued property (MV_FLAG) keeps its values in `items`, each tagged with the base type.
// A binary value read from a file may have its content in `source` instead, shared by every
// copy of the value and never changed; writing to such a value first takes its bytes into
// `bytes`.
struct PropertyValue {
    ULONG tag = 0;
    std::int64_t number = 0;
    std::string bytes;
    std::u16string wide;
    std::shared_ptr<const ByteSource> source;
    double real = 0;
    std::vector<PropertyValue> items;

    std::uint64_t ByteCount() const { return source ? source->Size() : bytes.size(); }
    // The binary content, read from `source` when there is one; null when that read fails.
    const std::string* Bytes() const { return source ? source->Load() : &bytes; }
};

std::string Utf8FromUtf16(const std::u16string& text);
std::u16string Utf16FromUtf8(const std::string& text);

FILETIME FileTimeFromTicks(std::int64_t ticks);
std::int64_t TicksFromFileTime(const FILETIME& time);
// A UTC calendar time as a FILETIME.
FILETIME UtcFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// A part of the file an object was read from that the reader did not interpret (a stream, a
// storage, a property entry it cannot decode). It goes back into the file unchanged when the
// object is written into one again, so that a rewrite loses nothing it did not understand.
class CarriedPart {
  public:
    virtual ~CarriedPart() = default;
};

// Properties keyed by property identifier: one value per identifier, whatever its type.
class PropertyBag {
  public:
    // What the object's file held beyond its values, in the order it was found.
    std::vector<std::shared_ptr<const CarriedPart>> carried;

    void SetText(ULONG tag, const std::string& utf8); // PT_STRING8 or PT_UNICODE tag
    void SetLong(ULONG tag, LONG value);
    void SetBoolean(ULONG tag, bool value);
    void SetTime(ULONG tag, const FILETIME& value);
    void SetBinary(ULONG tag, const std::string& bytes);
    void Put(const PropertyValue& value);
    void Remove(ULONG tag);

    // The value of the tag's identifier, whatever type it was stored with.
    const PropertyValue* Find(ULONG tag) const;
    PropertyValue* Find(ULONG tag);
    bool Has(ULONG tag) const { return Find(tag) != nullptr; }
    // Text of a string property of either width, as UTF-8.
    std::optional<std::string> Text(ULONG tag) const;
    std::optional<LONG> Long(ULONG tag) const;
    std::optional<FILETIME> Time(ULONG tag) const;
    std::optional<std::string> Binary(ULONG tag) const;

    const std::map<ULONG, PropertyValue>& Values() const { return values; }

  private:
    std::map<ULONG, PropertyValue> values;
};

struct MessageData;

struct AttachmentData : PropertyBag {
    // The message inside an ATTACH_EMBEDDED_MSG attachment (PR_ATTACH_DATA_OBJ).
    std::unique_ptr<MessageData> embedded;

    AttachmentData();
    AttachmentData(const AttachmentData& other);
    AttachmentData& operator=(const AttachmentData& other);
    AttachmentData(AttachmentData&&) noexcept;
    AttachmentData& operator=(AttachmentData&&) noexcept;
    ~AttachmentData();

    LONG Method() const { return Long(PR_ATTACH_METHOD).value_or(0); }
    // PR_ATTACH_DATA_BIN, empty when there is none.
    std::string Content() const { return Binary(PR_ATTACH_DATA_BIN).value_or(std::string()); }
};

struct MessageData : PropertyBag {
    // By attachment number, which stays with its attachment for the message's life.
    std::map<ULONG, AttachmentData> attachments;
    ULONG nextAttachmentNumber = 0;
    std::vector<PropertyBag> recipients;
    // The streams of a ".msg" file's named-property storage, by name, kept as they were read
    // so that a rewrite of the file gives the named properties back unchanged.
    std::map<std::string, std::string> namedPropertyStreams;
};

} // namespace embedded
