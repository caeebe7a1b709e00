// Property values between their stored form in a property set stream and the PROPVARIANT that
// the platform's callers hand in and get back. 8-bit text on the caller's side is in the
// system code page (UTF-8 here); in the stream it is in the set's own code page.
#pragma once

#include "platform/embedded/storage/property_set_stream.h"
#include "platform/ole_storage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace embedded {

constexpr std::uint16_t kUnicodeCodePage = 1200;
constexpr std::uint16_t kUtf8CodePage = 65001;

StoredProperty MakeCodePageProperty(std::uint16_t codePage);
// The set's code page property; Western when the set has none, as old writers left it.
std::uint16_t CodePageOf(const PropertySection& section);

// STG_E_INVALIDPARAMETER for a type that is not written here (VT_I2, VT_I4, VT_LPSTR,
// VT_LPWSTR, VT_FILETIME are). 8-bit text that the set's code page cannot hold is stored as
// wide text, so that nothing of it is lost.
HRESULT StoredPropertyOf(const PROPVARIANT& value, std::uint16_t codePage, StoredProperty& stored);

// The value for ReadMultiple, its text allocated for PropVariantClear. A type that is not
// read here gives VT_EMPTY.
HRESULT VariantOf(const StoredProperty& stored, std::uint16_t codePage, PROPVARIANT& value);

// The text of a VT_LPWSTR or VT_LPSTR value as UTF-8, else nothing.
std::optional<std::string> Utf8TextOfVariant(const PROPVARIANT& value);
// A VT_LPWSTR value holding the text.
HRESULT WideVariantOf(const std::string& utf8, PROPVARIANT& value);

} // namespace embedded
