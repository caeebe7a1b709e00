// Owner of one MAPI buffer (entry identifiers, property arrays): frees it, with everything
// chained to it, when it goes.
#pragma once

#include "platform/mapi_functions.h"

template <class T> class MapiBuffer {
  public:
    MapiBuffer() = default;
    explicit MapiBuffer(T* adopted) : pointer(adopted) {}
    MapiBuffer(const MapiBuffer&) = delete;
    MapiBuffer& operator=(const MapiBuffer&) = delete;
    MapiBuffer(MapiBuffer&& other) noexcept : pointer(other.Detach()) {}
    MapiBuffer& operator=(MapiBuffer&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }
    ~MapiBuffer() { Reset(); }

    T* Get() const { return pointer; }
    T* operator->() const { return pointer; }
    T& operator[](ULONG index) const { return pointer[index]; }
    explicit operator bool() const { return pointer != nullptr; }

    T** Out() {
        Reset();
        return &pointer;
    }
    void Reset(T* adopted = nullptr) {
        T* old = pointer;
        pointer = adopted;
        if (old != nullptr) {
            MAPIFreeBuffer(old);
        }
    }
    T* Detach() {
        T* kept = pointer;
        pointer = nullptr;
        return kept;
    }

  private:
    T* pointer = nullptr;
};
