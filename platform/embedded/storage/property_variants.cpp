#include "platform/embedded/storage/property_variants.h"

#include "platform/embedded/text/code_pages.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/message_data.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace embedded {
namespace {

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

std::vector<std::uint8_t> TypeWord(VARTYPE type) {
    std::vector<std::uint8_t> bytes;
    Put16(bytes, type);
    Put16(bytes, 0);
    return bytes;
}

std::size_t WideLength(const WCHAR* text) {
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// A code page string: its size counts the bytes with the terminator.
StoredProperty CodePageString(const std::string& encoded, std::size_t terminatorBytes) {
    std::vector<std::uint8_t> bytes = TypeWord(VT_LPSTR);
    Put32(bytes, static_cast<std::uint32_t>(encoded.size() + terminatorBytes));
    bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    bytes.insert(bytes.end(), terminatorBytes, 0);
    return StoredProperty{std::move(bytes)};
}

std::optional<std::string> DecodeCodePageString(const StoredProperty& stored,
                                                std::uint16_t codePage) {
    if (stored.bytes.size() < 8) {
        return std::nullopt;
    }
    const std::uint32_t size = Get32(stored.bytes, 4);
    if (size > stored.bytes.size() - 8) {
        return std::nullopt;
    }
    const std::string_view raw(reinterpret_cast<const char*>(stored.bytes.data() + 8), size);
    std::string text;
    if (codePage == kUnicodeCodePage) {
        std::u16string wide;
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                                 (static_cast<unsigned char>(raw[i + 1]) << 8)));
        }
        text = Utf8FromUtf16(wide);
    } else if (codePage == kUtf8CodePage) {
        text = std::string(raw);
    } else {
        // A code page unknown here still gives its ASCII part.
        text = DecodeToUtf8(raw, codePage).value_or(std::string(raw));
    }
    while (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

void Clear(PROPVARIANT& value) {
    std::memset(&value, 0, sizeof value);
}

template <typename Char> Char* CopyOut(const std::basic_string<Char>& text) {
    auto* copy = static_cast<Char*>(std::malloc((text.size() + 1) * sizeof(Char)));
    if (copy != nullptr) {
        std::memcpy(copy, text.data(), text.size() * sizeof(Char));
        copy[text.size()] = 0;
    }
    return copy;
}

} // namespace

StoredProperty MakeCodePageProperty(std::uint16_t codePage) {
    std::vector<std::uint8_t> bytes = TypeWord(VT_I2);
    Put16(bytes, codePage);
    Put16(bytes, 0);
    return StoredProperty{std::move(bytes)};
}

std::uint16_t CodePageOf(const PropertySection& section) {
    const auto found = section.properties.find(PID_CODEPAGE);
    if (found == section.properties.end() || found->second.Type() != VT_I2 ||
        found->second.bytes.size() < 6) {
        return kWesternCodePage;
    }
    return static_cast<std::uint16_t>(found->second.bytes[4] | (found->second.bytes[5] << 8));
}

HRESULT StoredPropertyOf(const PROPVARIANT& value, std::uint16_t codePage, StoredProperty& stored) {
    std::vector<std::uint8_t> bytes = TypeWord(value.vt);
    switch (value.vt) {
    case VT_I2:
        Put16(bytes, static_cast<std::uint16_t>(value.iVal));
        Put16(bytes, 0);
        break;
    case VT_I4:
        Put32(bytes, static_cast<std::uint32_t>(value.lVal));
        break;
    case VT_FILETIME:
        Put32(bytes, value.filetime.dwLowDateTime);
        Put32(bytes, value.filetime.dwHighDateTime);
        break;
    case VT_LPWSTR:
        if (value.pwszVal == nullptr) {
            return STG_E_INVALIDPARAMETER;
        }
        stored = MakeWideTextProperty(std::u16string(value.pwszVal, WideLength(value.pwszVal)));
        return S_OK;
    case VT_LPSTR: {
        if (value.pszVal == nullptr) {
            return STG_E_INVALIDPARAMETER;
        }
        const std::string text = value.pszVal;
        if (codePage == kUnicodeCodePage) {
            const std::u16string wide = Utf16FromUtf8(text);
            std::string encoded;
            for (char16_t unit : wide) {
                encoded.push_back(static_cast<char>(unit & 0xFF));
                encoded.push_back(static_cast<char>(unit >> 8));
            }
            stored = CodePageString(encoded, 2);
        } else if (codePage == kUtf8CodePage || IsAscii(text)) {
            stored = CodePageString(text, 1);
        } else {
            stored = MakeWideTextProperty(Utf16FromUtf8(text));
        }
        return S_OK;
    }
    default:
        return STG_E_INVALIDPARAMETER;
    }
    stored = StoredProperty{std::move(bytes)};
    return S_OK;
}

HRESULT VariantOf(const StoredProperty& stored, std::uint16_t codePage, PROPVARIANT& value) {
    Clear(value);
    const auto type = stored.Type();
    const std::size_t size = stored.bytes.size();
    const auto& b = stored.bytes;
    if (type == VT_I2 && size >= 6) {
        value.vt = VT_I2;
        value.iVal = static_cast<SHORT>(b[4] | (b[5] << 8));
    } else if (type == VT_I4 && size >= 8) {
        value.vt = VT_I4;
        value.lVal = static_cast<LONG>(Get32(b, 4));
    } else if (type == VT_FILETIME && size >= 12) {
        value.vt = VT_FILETIME;
        value.filetime = FILETIME{Get32(b, 4), Get32(b, 8)};
    } else if (type == VT_LPWSTR) {
        const auto text = WideTextOf(stored);
        if (!text) {
            return S_OK;
        }
        value.pwszVal = CopyOut(*text);
        if (value.pwszVal == nullptr) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        value.vt = VT_LPWSTR;
    } else if (type == VT_LPSTR) {
        const auto text = DecodeCodePageString(stored, codePage);
        if (!text) {
            return S_OK;
        }
        value.pszVal = CopyOut(*text);
        if (value.pszVal == nullptr) {
            return STG_E_INSUFFICIENTMEMORY;
        }
        value.vt = VT_LPSTR;
    }
    return S_OK;
}

std::optional<std::string> Utf8TextOfVariant(const PROPVARIANT& value) {
    if (value.vt == VT_LPWSTR && value.pwszVal != nullptr) {
        return Utf8FromUtf16(std::u16string(value.pwszVal, WideLength(value.pwszVal)));
    }
    if (value.vt == VT_LPSTR && value.pszVal != nullptr) {
        return std::string(value.pszVal);
    }
    return std::nullopt;
}

HRESULT WideVariantOf(const std::string& utf8, PROPVARIANT& value) {
    Clear(value);
    value.pwszVal = CopyOut(Utf16FromUtf8(utf8));
    if (value.pwszVal == nullptr) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    value.vt = VT_LPWSTR;
    return S_OK;
}

} // namespace embedded

HRESULT WINAPI PropVariantClear(PROPVARIANT* pvar) {
    HRESULT hr = embedded::EnterOperation("PropVariantClear");
    if (FAILED(hr)) {
        return hr;
    }
    if (pvar == nullptr) {
        return S_OK;
    }
    if (pvar->vt == VT_LPSTR) {
        std::free(pvar->pszVal);
    } else if (pvar->vt == VT_LPWSTR) {
        std::free(pvar->pwszVal);
    }
    std::memset(pvar, 0, sizeof *pvar);
    return S_OK;
}

HRESULT WINAPI FreePropVariantArray(ULONG cVariants, PROPVARIANT* rgvars) {
    HRESULT hr = embedded::EnterOperation("FreePropVariantArray", cVariants);
    if (FAILED(hr)) {
        return hr;
    }
    if (rgvars == nullptr && cVariants > 0) {
        return E_INVALIDARG;
    }
    for (ULONG i = 0; i < cVariants; ++i) {
        PropVariantClear(&rgvars[i]);
    }
    return S_OK;
}
