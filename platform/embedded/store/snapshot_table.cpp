// Tables of the embedded store: the rows a table lists, the columns asked for and the position
// of its cursor.
#include "platform/embedded/store/property_object.h"

namespace embedded {
namespace {

// A table over rows fixed when it was made: later changes to what it lists do not show.
class SnapshotTable final : public Counted<IMAPITable> {
  public:
    SnapshotTable(std::vector<std::vector<PropertyValue>> rows, std::vector<ULONG> columns)
        : rows(std::move(rows)), columns(std::move(columns)) {}

    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) override {
        return Unsupported("GetLastError");
    }
    HRESULT STDMETHODCALLTYPE Advise(ULONG, LPMAPIADVISESINK, ULONG*) override {
        return Unsupported("Advise");
    }
    HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return Unsupported("Unadvise"); }
    HRESULT STDMETHODCALLTYPE GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) override {
        HRESULT hr = EnterOperation("GetStatus");
        if (FAILED(hr)) {
            return hr;
        }
        if (lpulTableStatus == nullptr || lpulTableType == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpulTableStatus = 0; // TBLSTAT_COMPLETE
        *lpulTableType = 1;   // TBLTYPE_SNAPSHOT
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override {
        HRESULT hr = EnterOperation("SetColumns", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        columns = TagsOf(lpPropTagArray);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryColumns(ULONG ulFlags,
                                           LPSPropTagArray* lpPropTagArray) override {
        HRESULT hr = EnterOperation("QueryColumns", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        void* buffer = nullptr;
        hr = MAPIAllocateBuffer(CbNewSPropTagArray(static_cast<ULONG>(columns.size())), &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* tags = static_cast<LPSPropTagArray>(buffer);
        tags->cValues = static_cast<ULONG>(columns.size());
        std::copy(columns.begin(), columns.end(), tags->aulPropTag);
        *lpPropTagArray = tags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRowCount(ULONG ulFlags, ULONG* lpulCount) override {
        HRESULT hr = EnterOperation("GetRowCount", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpulCount == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpulCount = static_cast<ULONG>(rows.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK bkOrigin, LONG lRowCount,
                                      LONG* lplRowsSought) override {
        HRESULT hr = EnterOperation("SeekRow", bkOrigin);
        if (FAILED(hr)) {
            return hr;
        }
        std::int64_t start = 0;
        if (bkOrigin == BOOKMARK_CURRENT) {
            start = static_cast<std::int64_t>(cursor);
        } else if (bkOrigin == BOOKMARK_END) {
            start = static_cast<std::int64_t>(rows.size());
        } else if (bkOrigin != BOOKMARK_BEGINNING) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const std::int64_t target =
            std::clamp<std::int64_t>(start + lRowCount, 0, static_cast<std::int64_t>(rows.size()));
        if (lplRowsSought != nullptr) {
            *lplRowsSought = static_cast<LONG>(target - start);
        }
        cursor = static_cast<std::size_t>(target);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG, ULONG) override {
        return Unsupported("SeekRowApprox");
    }
    HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator,
                                            ULONG* lpulDenominator) override {
        HRESULT hr = EnterOperation("QueryPosition");
        if (FAILED(hr)) {
            return hr;
        }
        if (lpulRow == nullptr || lpulNumerator == nullptr || lpulDenominator == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpulRow = static_cast<ULONG>(cursor);
        *lpulNumerator = static_cast<ULONG>(cursor);
        *lpulDenominator = static_cast<ULONG>(std::max<std::size_t>(rows.size(), 1));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction, BOOKMARK, ULONG) override {
        return Unsupported("FindRow");
    }
    HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction, ULONG) override {
        return Unsupported("Restrict");
    }
    HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK*) override {
        return Unsupported("CreateBookmark");
    }
    HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK) override {
        return Unsupported("FreeBookmark");
    }
    HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet, ULONG) override {
        return Unsupported("SortTable");
    }
    HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet*) override {
        return Unsupported("QuerySortOrder");
    }
    HRESULT STDMETHODCALLTYPE QueryRows(LONG lRowCount, ULONG ulFlags,
                                        LPSRowSet* lppRows) override {
        HRESULT hr = EnterOperation("QueryRows", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppRows == nullptr || lRowCount < 0) {
            return lRowCount < 0 ? MAPI_E_NO_SUPPORT : MAPI_E_INVALID_PARAMETER;
        }
        *lppRows = nullptr;
        const std::size_t count =
            std::min<std::size_t>(static_cast<std::size_t>(lRowCount), rows.size() - cursor);
        void* buffer = nullptr;
        hr = MAPIAllocateBuffer(CbNewSRowSet(static_cast<ULONG>(count)), &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* set = static_cast<LPSRowSet>(buffer);
        set->cRows = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::vector<PropertyValue>& row = rows[cursor + i];
            void* props = nullptr;
            hr = MAPIAllocateBuffer(
                static_cast<ULONG>(std::max<std::size_t>(columns.size(), 1) * sizeof(SPropValue)),
                &props);
            if (FAILED(hr)) {
                FreeProws(set);
                return hr;
            }
            SRow& out = set->aRow[i];
            out.ulAdrEntryPad = 0;
            out.cValues = static_cast<ULONG>(columns.size());
            out.lpProps = static_cast<LPSPropValue>(props);
            ++set->cRows;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const PropertyValue* stored = nullptr;
                for (const PropertyValue& value : row) {
                    if (PROP_ID(value.tag) == PROP_ID(columns[c])) {
                        stored = &value;
                    }
                }
                hr = WritePropValue(stored, columns[c], props, out.lpProps[c]);
                if (FAILED(hr)) {
                    FreeProws(set);
                    return hr;
                }
            }
        }
        if ((ulFlags & TBL_NOADVANCE) == 0) {
            cursor += count;
        }
        *lppRows = set;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Abort() override { return Unsupported("Abort"); }
    HRESULT STDMETHODCALLTYPE ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override {
        return Unsupported("ExpandRow");
    }
    HRESULT STDMETHODCALLTYPE CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override {
        return Unsupported("CollapseRow");
    }
    HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG, ULONG, ULONG*) override {
        return Unsupported("WaitForCompletion");
    }
    HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
        return Unsupported("GetCollapseState");
    }
    HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override {
        return Unsupported("SetCollapseState");
    }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPITable});
    }

  private:
    std::vector<std::vector<PropertyValue>> rows;
    std::vector<ULONG> columns;
    std::size_t cursor = 0;
};

} // namespace

IMAPITable* NewSnapshotTable(std::vector<std::vector<PropertyValue>> rows,
                             std::vector<ULONG> columns) {
    return new SnapshotTable(std::move(rows), std::move(columns));
}

} // namespace embedded
