// MAPI's helper functions over the object interfaces. They use only the public methods of the
// table or property object they are given, so they work on any implementation.
#include "platform/mapi_functions.h"

#include "platform/embedded/trace/fault_injection.h"

#include <vector>

void STDAPICALLTYPE FreeProws(LPSRowSet lpRows) {
    embedded::EnterOperation("FreeProws");
    if (lpRows == nullptr) {
        return;
    }
    for (ULONG i = 0; i < lpRows->cRows; ++i) {
        MAPIFreeBuffer(lpRows->aRow[i].lpProps);
    }
    MAPIFreeBuffer(lpRows);
}

HRESULT STDAPICALLTYPE HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags,
                                      LPSRestriction lpRestriction, LPSSortOrderSet lpSortOrderSet,
                                      LONG crowsMax, LPSRowSet* lppRows) {
    HRESULT hr = embedded::EnterOperation("HrQueryAllRows");
    if (FAILED(hr)) {
        return hr;
    }
    if (lpTable == nullptr || lppRows == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppRows = nullptr;
    if (lpPropTags != nullptr && FAILED(hr = lpTable->SetColumns(lpPropTags, 0))) {
        return hr;
    }
    if (lpRestriction != nullptr && FAILED(hr = lpTable->Restrict(lpRestriction, 0))) {
        return hr;
    }
    if (lpSortOrderSet != nullptr && FAILED(hr = lpTable->SortTable(lpSortOrderSet, 0))) {
        return hr;
    }
    if (FAILED(hr = lpTable->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) {
        return hr;
    }
    // A table may answer in batches: gather rows until it has none left.
    std::vector<SRow> rows;
    auto release = [&rows] {
        for (SRow& row : rows) {
            MAPIFreeBuffer(row.lpProps);
        }
    };
    for (;;) {
        LPSRowSet batch = nullptr;
        hr = lpTable->QueryRows(0x7FFFFFFF, 0, &batch);
        if (FAILED(hr)) {
            release();
            return hr;
        }
        const ULONG count = batch == nullptr ? 0 : batch->cRows;
        for (ULONG i = 0; i < count; ++i) {
            rows.push_back(batch->aRow[i]);
        }
        MAPIFreeBuffer(batch); // the rows' own buffers now belong to `rows`
        if (count == 0) {
            break;
        }
        if (crowsMax > 0 && rows.size() > static_cast<std::size_t>(crowsMax)) {
            release();
            return MAPI_E_TABLE_TOO_BIG;
        }
    }
    void* buffer = nullptr;
    hr = MAPIAllocateBuffer(CbNewSRowSet(static_cast<ULONG>(rows.size())), &buffer);
    if (FAILED(hr)) {
        release();
        return hr;
    }
    auto* set = static_cast<LPSRowSet>(buffer);
    set->cRows = static_cast<ULONG>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        set->aRow[i] = rows[i];
    }
    *lppRows = set;
    return S_OK;
}

HRESULT STDAPICALLTYPE HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp) {
    HRESULT hr = embedded::EnterOperation("HrGetOneProp");
    if (FAILED(hr)) {
        return hr;
    }
    if (lpMapiProp == nullptr || lppProp == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppProp = nullptr;
    SPropTagArray tags{1, {ulPropTag}};
    ULONG count = 0;
    LPSPropValue values = nullptr;
    hr = lpMapiProp->GetProps(&tags, 0, &count, &values);
    if (FAILED(hr)) {
        return hr;
    }
    if (count != 1 || PROP_TYPE(values[0].ulPropTag) == PT_ERROR) {
        const HRESULT missing =
            count == 1 && FAILED(values[0].Value.err) ? values[0].Value.err : MAPI_E_NOT_FOUND;
        MAPIFreeBuffer(values);
        return missing;
    }
    *lppProp = values;
    return S_OK;
}
