#include "platform/embedded/property_values.h"

#include "platform/mapi_functions.h"

#include <cstring>

namespace embedded {
namespace {

HRESULT CopyBytes(const void* data, std::size_t size, void* parent, void** out) {
    HRESULT hr = MAPIAllocateMore(static_cast<ULONG>(size), parent, out);
    if (SUCCEEDED(hr) && size > 0) {
        std::memcpy(*out, data, size);
    }
    return hr;
}

} // namespace

HRESULT WritePropValue(const PropertyValue* stored, ULONG askedTag, void* parent, SPropValue& out) {
    out.dwAlignPad = 0;
    const ULONG id = PROP_ID(askedTag);
    ULONG asked = PROP_TYPE(askedTag);
    const ULONG have = stored == nullptr ? PT_NULL : PROP_TYPE(stored->tag);
    if (asked == PT_UNSPECIFIED) {
        asked = have;
    }
    const bool text =
        (asked == PT_STRING8 || asked == PT_UNICODE) && (have == PT_STRING8 || have == PT_UNICODE);
    if (stored == nullptr || (asked != have && !text)) {
        out.ulPropTag = PROP_TAG(PT_ERROR, id);
        out.Value.err = MAPI_E_NOT_FOUND;
        return MAPI_W_ERRORS_RETURNED;
    }
    out.ulPropTag = PROP_TAG(asked, id);
    HRESULT hr = S_OK;
    void* buffer = nullptr;
    switch (asked) {
    case PT_I2:
        out.Value.i = static_cast<SHORT>(stored->number);
        break;
    case PT_LONG:
        out.Value.l = static_cast<LONG>(stored->number);
        break;
    case PT_BOOLEAN:
        out.Value.b = static_cast<USHORT>(stored->number != 0);
        break;
    case PT_I8:
        out.Value.li = stored->number;
        break;
    case PT_SYSTIME:
        out.Value.ft = FileTimeFromTicks(stored->number);
        break;
    case PT_STRING8: {
        // UTF-8 is the embedded platform's system code page.
        const std::string narrow = have == PT_UNICODE ? Utf8FromUtf16(stored->wide) : stored->bytes;
        hr = CopyBytes(narrow.c_str(), narrow.size() + 1, parent, &buffer);
        out.Value.lpszA = static_cast<LPSTR>(buffer);
        break;
    }
    case PT_UNICODE: {
        const std::u16string wide =
            have == PT_STRING8 ? Utf16FromUtf8(stored->bytes) : stored->wide;
        hr = CopyBytes(wide.c_str(), (wide.size() + 1) * sizeof(char16_t), parent, &buffer);
        out.Value.lpszW = static_cast<LPWSTR>(buffer);
        break;
    }
    case PT_BINARY: {
        const std::string* bytes = stored->Bytes();
        if (bytes == nullptr) {
            // The file under a value read on demand no longer gives its bytes.
            out.ulPropTag = PROP_TAG(PT_ERROR, id);
            out.Value.err = MAPI_E_CORRUPT_DATA;
            return MAPI_W_ERRORS_RETURNED;
        }
        hr = CopyBytes(bytes->data(), bytes->size(), parent, &buffer);
        out.Value.bin.cb = static_cast<ULONG>(bytes->size());
        out.Value.bin.lpb = static_cast<LPBYTE>(buffer);
        break;
    }
    default:
        out.ulPropTag = PROP_TAG(PT_ERROR, id);
        out.Value.err = MAPI_E_NOT_FOUND;
        return MAPI_W_ERRORS_RETURNED;
    }
    return hr;
}

std::optional<PropertyValue> ReadPropValue(const SPropValue& value) {
    PropertyValue stored;
    stored.tag = value.ulPropTag;
    switch (PROP_TYPE(value.ulPropTag)) {
    case PT_I2:
        stored.number = value.Value.i;
        break;
    case PT_LONG:
        stored.number = value.Value.l;
        break;
    case PT_BOOLEAN:
        stored.number = value.Value.b != 0;
        break;
    case PT_I8:
        stored.number = value.Value.li;
        break;
    case PT_SYSTIME:
        stored.number = TicksFromFileTime(value.Value.ft);
        break;
    case PT_STRING8:
        stored.bytes = value.Value.lpszA == nullptr ? "" : value.Value.lpszA;
        break;
    case PT_UNICODE:
        stored.wide = value.Value.lpszW == nullptr ? u"" : value.Value.lpszW;
        break;
    case PT_BINARY:
        if (value.Value.bin.cb > 0 && value.Value.bin.lpb != nullptr) {
            stored.bytes.assign(reinterpret_cast<const char*>(value.Value.bin.lpb),
                                value.Value.bin.cb);
        }
        break;
    default:
        return std::nullopt;
    }
    return stored;
}

ULONG ListedTag(const PropertyValue& stored, bool unicode) {
    const ULONG type = PROP_TYPE(stored.tag);
    if (type == PT_STRING8 || type == PT_UNICODE) {
        return CHANGE_PROP_TYPE(stored.tag, unicode ? PT_UNICODE : PT_STRING8);
    }
    return stored.tag;
}

HRESULT BuildPropArray(const std::vector<PropertyValue>& values, const std::vector<ULONG>& asked,
                       ULONG* lpcValues, LPSPropValue* lppPropArray) {
    void* buffer = nullptr;
    const std::size_t count = asked.empty() ? 1 : asked.size();
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(count * sizeof(SPropValue)), &buffer);
    if (FAILED(hr)) {
        return hr;
    }
    auto* array = static_cast<LPSPropValue>(buffer);
    bool missing = false;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const PropertyValue* stored = nullptr;
        for (const PropertyValue& value : values) {
            if (PROP_ID(value.tag) == PROP_ID(asked[i])) {
                stored = &value;
                break;
            }
        }
        hr = WritePropValue(stored, asked[i], array, array[i]);
        if (FAILED(hr)) {
            MAPIFreeBuffer(array);
            return hr;
        }
        missing = missing || hr == MAPI_W_ERRORS_RETURNED;
    }
    *lpcValues = static_cast<ULONG>(asked.size());
    *lppPropArray = array;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

} // namespace embedded
