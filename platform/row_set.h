// Owner of a row set read from a MAPI table: frees every row and the set with FreeProws.
#pragma once

#include "platform/mapi_functions.h"

class RowSet {
  public:
    RowSet() = default;
    RowSet(const RowSet&) = delete;
    RowSet& operator=(const RowSet&) = delete;
    RowSet(RowSet&& other) noexcept : rows(other.rows) { other.rows = nullptr; }
    RowSet& operator=(RowSet&& other) noexcept {
        if (this != &other) {
            Reset();
            rows = other.rows;
            other.rows = nullptr;
        }
        return *this;
    }
    ~RowSet() { Reset(); }

    LPSRowSet Get() const { return rows; }
    ULONG Count() const { return rows == nullptr ? 0 : rows->cRows; }
    const SRow& operator[](ULONG index) const { return rows->aRow[index]; }

    LPSRowSet* Out() {
        Reset();
        return &rows;
    }
    void Reset() {
        if (rows != nullptr) {
            FreeProws(rows);
            rows = nullptr;
        }
    }

  private:
    LPSRowSet rows = nullptr;
};
