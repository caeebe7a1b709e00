#include "engine/saved_file_summary.h"

#include "base/wide_text.h"
#include "base/bounded_text.h"
#include "platform/com_ptr.h"
#include "platform/ole_storage.h"
#include "platform/win32_modules.h"

#include <cstddef>
#include <iterator>
#include <vector>

namespace {

constexpr std::size_t kAuthorCapacity = 260;
// Direct mode: what WriteMultiple writes is in the file when it returns, with no commit.
constexpr DWORD kOpenMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;                 // 0x12
constexpr DWORD kCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE; // 0x1012

using OpenStorageFunction = decltype(&StgOpenStorageEx);

// StgOpenStorageEx is looked up in ole32 as it is already loaded, never imported, so that the
// module also loads where the function does not exist; there the summary is simply not written.
OpenStorageFunction FindOpenStorage() {
    HMODULE ole32 = GetModuleHandleA("ole32.dll");
    if (ole32 == nullptr) {
        return nullptr;
    }
    FARPROC found = GetProcAddress(ole32, "StgOpenStorageEx");
    return reinterpret_cast<OpenStorageFunction>(reinterpret_cast<void (*)()>(found));
}

} // namespace

HRESULT SetSavedFileSummary(LPCSTR path, LPCSTR title, LPCSTR subject, LPCSTR senderName,
                            LPCSTR senderAddress, LPCSTR comments) {
    char both[kAuthorCapacity];
    LPCSTR author = nullptr;
    if (senderName != nullptr && senderAddress != nullptr) {
        // A cut author is still the best author there is.
        BoundedFormat(both, kAuthorCapacity, "%s <%s>", senderName, senderAddress);
        author = both;
    } else if (senderName != nullptr) {
        author = senderName;
    } else {
        author = senderAddress;
    }
    return WriteSummaryProperties(path, title, subject, author, comments);
}

HRESULT WriteSummaryProperties(LPCSTR path, LPCSTR title, LPCSTR subject, LPCSTR author,
                               LPCSTR comments) {
    OpenStorageFunction openStorage = FindOpenStorage();
    if (openStorage == nullptr) {
        return E_FAIL;
    }
    if (path == nullptr) {
        return E_INVALIDARG;
    }
    std::vector<WCHAR> widePath;
    HRESULT hr = ToWideText(path, widePath);
    if (FAILED(hr)) {
        return hr;
    }
    ComPtr<IPropertySetStorage> sets;
    hr = openStorage(widePath.data(), kOpenMode, STGFMT_ANY, 0, nullptr, nullptr,
                     IID_IPropertySetStorage, reinterpret_cast<void**>(sets.Out()));
    if (FAILED(hr)) {
        return hr;
    }
    // Declared after `sets`, so that the set also goes first on the early returns.
    ComPtr<IPropertyStorage> summary;
    if (FAILED(sets->Open(FMTID_SummaryInformation, kOpenMode, summary.Out()))) {
        hr = sets->Create(FMTID_SummaryInformation, nullptr, PROPSETFLAG_DEFAULT, kCreateMode,
                          summary.Out());
        if (FAILED(hr)) {
            return hr;
        }
    }

    // A text that is absent is left as the file has it.
    const struct {
        PROPID id;
        LPCSTR text;
    } entries[] = {{PIDSI_TITLE, title},
                   {PIDSI_SUBJECT, subject},
                   {PIDSI_AUTHOR, author},
                   {PIDSI_COMMENTS, comments}};
    std::vector<WCHAR> wides[std::size(entries)];
    std::vector<PROPSPEC> properties;
    std::vector<PROPVARIANT> values;
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        if (entries[i].text == nullptr) {
            continue;
        }
        hr = ToWideText(entries[i].text, wides[i]);
        if (FAILED(hr)) {
            return hr;
        }
        PROPSPEC property{};
        property.ulKind = PRSPEC_PROPID;
        property.propid = entries[i].id;
        properties.push_back(property);
        PROPVARIANT value{};
        value.vt = VT_LPWSTR;
        value.pwszVal = wides[i].data();
        values.push_back(value);
    }
    hr = summary->WriteMultiple(static_cast<ULONG>(properties.size()), properties.data(),
                                values.data(), 0);
    summary.Reset();
    sets.Reset();
    return hr;
}
