// Owner of one counted interface reference: releases it when it goes, on every exit path.
#pragma once

#include "platform/com_base.h"

template <class Interface> class ComPtr {
  public:
    ComPtr() = default;
    // Takes over a reference that the caller already holds.
    explicit ComPtr(Interface* adopted) : pointer(adopted) {}
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer(other.Detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset(other.Detach());
        }
        return *this;
    }
    ~ComPtr() { Reset(); }

    Interface* Get() const { return pointer; }
    Interface* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    // For an out parameter: drops the current reference and lends the slot.
    Interface** Out() {
        Reset();
        return &pointer;
    }
    // For the out parameters typed as IUnknown (OpenEntry, OpenProperty), which hand back the
    // interface that was asked for.
    IUnknown** OutUnknown() { return reinterpret_cast<IUnknown**>(Out()); }

    void Reset(Interface* adopted = nullptr) {
        Interface* old = pointer;
        pointer = adopted;
        if (old != nullptr) {
            old->Release();
        }
    }
    Interface* Detach() {
        Interface* kept = pointer;
        pointer = nullptr;
        return kept;
    }

  private:
    Interface* pointer = nullptr;
};
