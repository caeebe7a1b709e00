// The parts that every MAPI object of the embedded store shares: reference counting with an
// interface table, and IMAPIProp over a property bag with its computed values.
#pragma once

#include "platform/embedded/com/counted.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/property_values.h"
#include "platform/embedded/store/store_data.h"
#include "platform/mapi_functions.h"

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <optional>
#include <vector>

namespace embedded {

inline HRESULT Unsupported(const char* operation) {
    HRESULT hr = EnterOperation(operation);
    return FAILED(hr) ? hr : MAPI_E_NO_SUPPORT;
}

inline PropertyValue Computed(ULONG tag, std::int64_t number) {
    PropertyValue value;
    value.tag = tag;
    value.number = number;
    return value;
}

inline PropertyValue ComputedBinary(ULONG tag, const EntryId& id) {
    PropertyValue value;
    value.tag = tag;
    value.bytes.assign(id.bytes.begin(), id.bytes.end());
    return value;
}

inline std::vector<ULONG> TagsOf(const SPropTagArray* tags) {
    std::vector<ULONG> list;
    if (tags != nullptr) {
        list.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    }
    return list;
}

// A table over `rows`, fixed now, showing `columns` until the caller sets others.
IMAPITable* NewSnapshotTable(std::vector<std::vector<PropertyValue>> rows,
                             std::vector<ULONG> columns);

// The IMAPIProp part shared by folders, messages, attachments and the store.
template <class Interface> class PropertyObject : public Counted<Interface> {
  public:
    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) override {
        return Unsupported("GetLastError");
    }
    HRESULT STDMETHODCALLTYPE SaveChanges(ULONG ulFlags) override {
        HRESULT hr = EnterOperation("SaveChanges", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        hr = Commit();
        if (SUCCEEDED(hr) && (ulFlags & KEEP_OPEN_READWRITE) == 0) {
            // Without KEEP_OPEN_READWRITE the object stays readable but takes no more changes.
            writable = false;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                       ULONG* lpcValues, LPSPropValue* lppPropArray) override {
        HRESULT hr = EnterOperation("GetProps", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpcValues == nullptr || lppPropArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpcValues = 0;
        *lppPropArray = nullptr;
        const std::vector<PropertyValue> values = Visible();
        std::vector<ULONG> asked = TagsOf(lpPropTagArray);
        if (lpPropTagArray == nullptr) {
            for (const PropertyValue& value : values) {
                asked.push_back(ListedTag(value, (ulFlags & MAPI_UNICODE) != 0));
            }
        }
        return BuildPropArray(values, asked, lpcValues, lppPropArray);
    }
    HRESULT STDMETHODCALLTYPE GetPropList(ULONG ulFlags,
                                          LPSPropTagArray* lppPropTagArray) override {
        HRESULT hr = EnterOperation("GetPropList", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const std::vector<PropertyValue> values = Visible();
        void* buffer = nullptr;
        hr = MAPIAllocateBuffer(CbNewSPropTagArray(static_cast<ULONG>(values.size())), &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* tags = static_cast<LPSPropTagArray>(buffer);
        tags->cValues = 0;
        for (const PropertyValue& value : values) {
            tags->aulPropTag[tags->cValues++] = ListedTag(value, (ulFlags & MAPI_UNICODE) != 0);
        }
        *lppPropTagArray = tags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions,
                                           ULONG ulFlags, LPUNKNOWN* lppUnk) override {
        HRESULT hr = EnterOperation("OpenProperty", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppUnk == nullptr || lpiid == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lppUnk = nullptr;
        return OpenPropertyObject(ulPropTag, *lpiid, ulInterfaceOptions, ulFlags, lppUnk);
    }
    HRESULT STDMETHODCALLTYPE SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                       LPSPropProblemArray* lppProblems) override {
        HRESULT hr = EnterOperation("SetProps");
        if (FAILED(hr)) {
            return hr;
        }
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (lpPropArray == nullptr && cValues > 0) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        std::vector<SPropProblem> problems;
        for (ULONG i = 0; i < cValues; ++i) {
            const SPropValue& value = lpPropArray[i];
            if (PROP_TYPE(value.ulPropTag) == PT_ERROR) {
                continue;
            }
            std::optional<PropertyValue> stored = ReadPropValue(value);
            if (IsComputed(value.ulPropTag) || !stored) {
                problems.push_back(
                    {i, value.ulPropTag, stored ? MAPI_E_NO_ACCESS : MAPI_E_TYPE_NO_SUPPORT});
                continue;
            }
            Bag().Put(*stored);
        }
        return Problems(problems, lppProblems);
    }
    HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray lpPropTagArray,
                                          LPSPropProblemArray* lppProblems) override {
        HRESULT hr = EnterOperation("DeleteProps");
        if (FAILED(hr)) {
            return hr;
        }
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        std::vector<SPropProblem> problems;
        for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
            const ULONG tag = lpPropTagArray->aulPropTag[i];
            if (IsComputed(tag)) {
                problems.push_back({i, tag, MAPI_E_NO_ACCESS});
            } else if (!Bag().Has(tag)) {
                problems.push_back({i, tag, MAPI_E_NOT_FOUND});
            } else {
                Bag().Remove(tag);
            }
        }
        return Problems(problems, lppProblems);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS,
                                     LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override {
        return Unsupported("CopyTo");
    }
    HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID,
                                        ULONG, LPSPropProblemArray*) override {
        return Unsupported("CopyProps");
    }
    HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*,
                                              LPMAPINAMEID**) override {
        return Unsupported("GetNamesFromIDs");
    }
    HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG,
                                              LPSPropTagArray*) override {
        return Unsupported("GetIDsFromNames");
    }

  protected:
    virtual PropertyBag& Bag() = 0;
    // Values that the object has by what it is (identifiers, numbers, types).
    virtual void AddComputed(std::vector<PropertyValue>&) const {}
    virtual HRESULT Commit() { return MAPI_E_NO_SUPPORT; }
    virtual HRESULT OpenPropertyObject(ULONG, REFIID, ULONG, ULONG, LPUNKNOWN*) {
        return MAPI_E_NO_SUPPORT;
    }

    bool IsComputed(ULONG tag) {
        std::vector<PropertyValue> computed;
        AddComputed(computed);
        return std::any_of(computed.begin(), computed.end(), [&](const PropertyValue& value) {
            return PROP_ID(value.tag) == PROP_ID(tag);
        });
    }
    std::vector<PropertyValue> Visible() {
        std::vector<PropertyValue> values;
        AddComputed(values);
        for (const auto& entry : Bag().Values()) {
            values.push_back(entry.second);
        }
        return values;
    }

    bool writable = false;

  private:
    static HRESULT Problems(const std::vector<SPropProblem>& problems,
                            LPSPropProblemArray* lppProblems) {
        if (problems.empty() || lppProblems == nullptr) {
            return S_OK;
        }
        void* buffer = nullptr;
        HRESULT hr = MAPIAllocateBuffer(
            static_cast<ULONG>(sizeof(SPropProblemArray) + problems.size() * sizeof(SPropProblem)),
            &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* array = static_cast<LPSPropProblemArray>(buffer);
        array->cProblem = static_cast<ULONG>(problems.size());
        std::copy(problems.begin(), problems.end(), array->aProblem);
        *lppProblems = array;
        return S_OK;
    }
};

} // namespace embedded
