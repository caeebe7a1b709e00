#include "platform/embedded/store/property_values.h"

#include "platform/mapi_functions.h"

#include <cstring>
#include <limits>

namespace embedded {
namespace {

HRESULT CopyBytes(const void* data, std::size_t size, void* parent, void** out) {
    HRESULT hr = MAPIAllocateMore(static_cast<ULONG>(size), parent, out);
    if (SUCCEEDED(hr) && size > 0) {
        std::memcpy(*out, data, size);
    }
    return hr;
}

// An array of `count` elements chained to `parent`; none for an empty one.
template <class T> HRESULT AllocateArray(std::size_t count, void* parent, T** out) {
    *out = nullptr;
    if (count == 0) {
        return S_OK;
    }
    if (count > std::numeric_limits<ULONG>::max() / sizeof(T)) {
        return MAPI_E_NOT_ENOUGH_MEMORY;
    }
    void* buffer = nullptr;
    HRESULT hr = MAPIAllocateMore(static_cast<ULONG>(count * sizeof(T)), parent, &buffer);
    if (SUCCEEDED(hr)) {
        *out = static_cast<T*>(buffer);
    }
    return hr;
}

std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

// A CLSID from its 16 bytes in file order; zeros for a value of another size.
GUID GuidOf(const std::string& bytes) {
    GUID guid{};
    if (bytes.size() != 16) {
        return guid;
    }
    guid.Data1 = Get32(bytes, 0);
    guid.Data2 = static_cast<WORD>(Get32(bytes, 4) & 0xFFFF);
    guid.Data3 = static_cast<WORD>(Get32(bytes, 4) >> 16);
    std::memcpy(guid.Data4, bytes.data() + 8, 8);
    return guid;
}

std::string BytesOf(const GUID& guid) {
    std::string bytes;
    for (std::size_t i = 0; i < 4; ++i) {
        bytes += static_cast<char>(guid.Data1 >> (8 * i));
    }
    bytes += static_cast<char>(guid.Data2 & 0xFF);
    bytes += static_cast<char>(guid.Data2 >> 8);
    bytes += static_cast<char>(guid.Data3 & 0xFF);
    bytes += static_cast<char>(guid.Data3 >> 8);
    bytes.append(reinterpret_cast<const char*>(guid.Data4), 8);
    return bytes;
}

bool IsText(ULONG type) {
    return type == PT_STRING8 || type == PT_UNICODE;
}

HRESULT WriteNarrow(const PropertyValue& stored, bool storedWide, void* parent, LPSTR& out) {
    // UTF-8 is the embedded platform's system code page.
    const std::string narrow = storedWide ? Utf8FromUtf16(stored.wide) : stored.bytes;
    void* buffer = nullptr;
    HRESULT hr = CopyBytes(narrow.c_str(), narrow.size() + 1, parent, &buffer);
    out = static_cast<LPSTR>(buffer);
    return hr;
}

HRESULT WriteWide(const PropertyValue& stored, bool storedWide, void* parent, LPWSTR& out) {
    const std::u16string wide = storedWide ? stored.wide : Utf16FromUtf8(stored.bytes);
    void* buffer = nullptr;
    HRESULT hr = CopyBytes(wide.c_str(), (wide.size() + 1) * sizeof(char16_t), parent, &buffer);
    out = static_cast<LPWSTR>(buffer);
    return hr;
}

HRESULT WriteBinary(const std::string& bytes, void* parent, SBinary& out) {
    void* buffer = nullptr;
    HRESULT hr = CopyBytes(bytes.data(), bytes.size(), parent, &buffer);
    out.cb = static_cast<ULONG>(bytes.size());
    out.lpb = static_cast<LPBYTE>(buffer);
    return hr;
}

// Fills a count and array pair from `items`, one element at a time by `write`.
template <class Array, class T, class Write>
HRESULT WriteItems(const std::vector<PropertyValue>& items, void* parent, Array& array,
                   T*(Array::*elements), Write write) {
    array.cValues = static_cast<ULONG>(items.size());
    T* out = nullptr;
    HRESULT hr = AllocateArray(items.size(), parent, &out);
    array.*elements = out;
    for (std::size_t i = 0; SUCCEEDED(hr) && i < items.size(); ++i) {
        hr = write(items[i], out[i]);
    }
    return hr;
}

HRESULT WriteMultiple(const PropertyValue& stored, ULONG asked, ULONG have, void* parent,
                      _PV& out) {
    const std::vector<PropertyValue>& items = stored.items;
    const bool wide = have == PT_MV_UNICODE;
    switch (asked) {
    case PT_MV_I2:
        return WriteItems(items, parent, out.MVi, &SShortArray::lpi,
                          [](const PropertyValue& item, SHORT& value) {
                              value = static_cast<SHORT>(item.number);
                              return S_OK;
                          });
    case PT_MV_LONG:
        return WriteItems(items, parent, out.MVl, &SLongArray::lpl,
                          [](const PropertyValue& item, LONG& value) {
                              value = static_cast<LONG>(item.number);
                              return S_OK;
                          });
    case PT_MV_FLOAT:
        return WriteItems(items, parent, out.MVflt, &SRealArray::lpflt,
                          [](const PropertyValue& item, float& value) {
                              value = static_cast<float>(item.real);
                              return S_OK;
                          });
    case PT_MV_DOUBLE:
        return WriteItems(items, parent, out.MVdbl, &SDoubleArray::lpdbl,
                          [](const PropertyValue& item, double& value) {
                              value = item.real;
                              return S_OK;
                          });
    case PT_MV_CURRENCY:
        return WriteItems(items, parent, out.MVcur, &SCurrencyArray::lpcur,
                          [](const PropertyValue& item, CURRENCY& value) {
                              value.int64 = item.number;
                              return S_OK;
                          });
    case PT_MV_APPTIME:
        return WriteItems(items, parent, out.MVat, &SAppTimeArray::lpat,
                          [](const PropertyValue& item, double& value) {
                              value = item.real;
                              return S_OK;
                          });
    case PT_MV_SYSTIME:
        return WriteItems(items, parent, out.MVft, &SDateTimeArray::lpft,
                          [](const PropertyValue& item, FILETIME& value) {
                              value = FileTimeFromTicks(item.number);
                              return S_OK;
                          });
    case PT_MV_I8:
        return WriteItems(items, parent, out.MVli, &SLargeIntegerArray::lpli,
                          [](const PropertyValue& item, LARGE_INTEGER& value) {
                              value.QuadPart = item.number;
                              return S_OK;
                          });
    case PT_MV_CLSID:
        return WriteItems(items, parent, out.MVguid, &SGuidArray::lpguid,
                          [](const PropertyValue& item, GUID& value) {
                              value = GuidOf(item.bytes);
                              return S_OK;
                          });
    case PT_MV_STRING8:
        return WriteItems(items, parent, out.MVszA, &SLPSTRArray::lppszA,
                          [&](const PropertyValue& item, LPSTR& value) {
                              return WriteNarrow(item, wide, parent, value);
                          });
    case PT_MV_UNICODE:
        return WriteItems(items, parent, out.MVszW, &SWStringArray::lppszW,
                          [&](const PropertyValue& item, LPWSTR& value) {
                              return WriteWide(item, wide, parent, value);
                          });
    case PT_MV_BINARY:
        return WriteItems(items, parent, out.MVbin, &SBinaryArray::lpbin,
                          [&](const PropertyValue& item, SBinary& value) {
                              return WriteBinary(item.bytes, parent, value);
                          });
    default:
        return MAPI_E_NOT_FOUND;
    }
}

// The stored values of a count and array pair, each tagged with the base type; none when the
// array is missing.
template <class T, class Read>
std::optional<PropertyValue> ReadItems(ULONG tag, ULONG count, const T* array, Read read) {
    if (count > 0 && array == nullptr) {
        return std::nullopt;
    }
    PropertyValue stored;
    stored.tag = tag;
    stored.items.reserve(count);
    for (ULONG i = 0; i < count; ++i) {
        PropertyValue item;
        item.tag = CHANGE_PROP_TYPE(tag, PROP_TYPE(tag) & ~MV_FLAG);
        read(array[i], item);
        stored.items.push_back(std::move(item));
    }
    return stored;
}

std::optional<PropertyValue> ReadMultiple(const SPropValue& value) {
    const ULONG tag = value.ulPropTag;
    const _PV& v = value.Value;
    switch (PROP_TYPE(tag)) {
    case PT_MV_I2:
        return ReadItems(tag, v.MVi.cValues, v.MVi.lpi,
                         [](SHORT in, PropertyValue& item) { item.number = in; });
    case PT_MV_LONG:
        return ReadItems(tag, v.MVl.cValues, v.MVl.lpl,
                         [](LONG in, PropertyValue& item) { item.number = in; });
    case PT_MV_FLOAT:
        return ReadItems(tag, v.MVflt.cValues, v.MVflt.lpflt,
                         [](float in, PropertyValue& item) { item.real = in; });
    case PT_MV_DOUBLE:
        return ReadItems(tag, v.MVdbl.cValues, v.MVdbl.lpdbl,
                         [](double in, PropertyValue& item) { item.real = in; });
    case PT_MV_CURRENCY:
        return ReadItems(tag, v.MVcur.cValues, v.MVcur.lpcur,
                         [](const CURRENCY& in, PropertyValue& item) { item.number = in.int64; });
    case PT_MV_APPTIME:
        return ReadItems(tag, v.MVat.cValues, v.MVat.lpat,
                         [](double in, PropertyValue& item) { item.real = in; });
    case PT_MV_SYSTIME:
        return ReadItems(
            tag, v.MVft.cValues, v.MVft.lpft,
            [](const FILETIME& in, PropertyValue& item) { item.number = TicksFromFileTime(in); });
    case PT_MV_I8:
        return ReadItems(
            tag, v.MVli.cValues, v.MVli.lpli,
            [](const LARGE_INTEGER& in, PropertyValue& item) { item.number = in.QuadPart; });
    case PT_MV_CLSID:
        return ReadItems(tag, v.MVguid.cValues, v.MVguid.lpguid,
                         [](const GUID& in, PropertyValue& item) { item.bytes = BytesOf(in); });
    case PT_MV_STRING8:
        return ReadItems(tag, v.MVszA.cValues, v.MVszA.lppszA, [](LPSTR in, PropertyValue& item) {
            item.bytes = in == nullptr ? "" : in;
        });
    case PT_MV_UNICODE:
        return ReadItems(tag, v.MVszW.cValues, v.MVszW.lppszW, [](LPWSTR in, PropertyValue& item) {
            item.wide = in == nullptr ? u"" : in;
        });
    case PT_MV_BINARY:
        return ReadItems(tag, v.MVbin.cValues, v.MVbin.lpbin,
                         [](const SBinary& in, PropertyValue& item) {
                             if (in.cb > 0 && in.lpb != nullptr) {
                                 item.bytes.assign(reinterpret_cast<const char*>(in.lpb), in.cb);
                             }
                         });
    default:
        return std::nullopt;
    }
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
    // Text goes out in the width asked for, one value or many.
    const bool text = (asked & MV_FLAG) == (have & MV_FLAG) && IsText(asked & ~MV_FLAG) &&
                      IsText(have & ~MV_FLAG);
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
    case PT_FLOAT:
        out.Value.flt = static_cast<float>(stored->real);
        break;
    case PT_DOUBLE:
        out.Value.dbl = stored->real;
        break;
    case PT_APPTIME:
        out.Value.at = stored->real;
        break;
    case PT_CURRENCY:
        out.Value.cur.int64 = stored->number;
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
    case PT_CLSID: {
        const GUID guid = GuidOf(stored->bytes);
        hr = CopyBytes(&guid, sizeof guid, parent, &buffer);
        out.Value.lpguid = static_cast<LPGUID>(buffer);
        break;
    }
    case PT_STRING8:
        hr = WriteNarrow(*stored, have == PT_UNICODE, parent, out.Value.lpszA);
        break;
    case PT_UNICODE:
        hr = WriteWide(*stored, have == PT_UNICODE, parent, out.Value.lpszW);
        break;
    case PT_BINARY: {
        const std::string* bytes = stored->Bytes();
        if (bytes == nullptr) {
            // The file under a value read on demand no longer gives its bytes.
            out.ulPropTag = PROP_TAG(PT_ERROR, id);
            out.Value.err = MAPI_E_CORRUPT_DATA;
            return MAPI_W_ERRORS_RETURNED;
        }
        hr = WriteBinary(*bytes, parent, out.Value.bin);
        break;
    }
    default:
        hr = (asked & MV_FLAG) != 0 ? WriteMultiple(*stored, asked, have, parent, out.Value)
                                    : MAPI_E_NOT_FOUND;
        if (hr == MAPI_E_NOT_FOUND) {
            out.ulPropTag = PROP_TAG(PT_ERROR, id);
            out.Value.err = MAPI_E_NOT_FOUND;
            return MAPI_W_ERRORS_RETURNED;
        }
        break;
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
    case PT_FLOAT:
        stored.real = value.Value.flt;
        break;
    case PT_DOUBLE:
        stored.real = value.Value.dbl;
        break;
    case PT_APPTIME:
        stored.real = value.Value.at;
        break;
    case PT_CURRENCY:
        stored.number = value.Value.cur.int64;
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
    case PT_CLSID:
        if (value.Value.lpguid == nullptr) {
            return std::nullopt;
        }
        stored.bytes = BytesOf(*value.Value.lpguid);
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
        return ReadMultiple(value);
    }
    return stored;
}

ULONG ListedTag(const PropertyValue& stored, bool unicode) {
    const ULONG type = PROP_TYPE(stored.tag);
    if (IsText(type & ~MV_FLAG)) {
        return CHANGE_PROP_TYPE(stored.tag, (type & MV_FLAG) | (unicode ? PT_UNICODE : PT_STRING8));
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
