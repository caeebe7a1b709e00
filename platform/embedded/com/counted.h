// Reference counting with an interface table, shared by every COM-style object of the embedded
// platform: an object starts with one reference for its creator and deletes itself at zero.
#pragma once

#include "platform/com_base.h"

#include <algorithm>
#include <atomic>
#include <initializer_list>

namespace embedded {

template <class Interface> class Counted : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (!Answers(riid)) {
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    virtual ~Counted() = default;

  protected:
    virtual bool Answers(REFIID riid) const = 0;

  private:
    std::atomic<ULONG> references{1};
};

inline bool AnyOf(REFIID riid, std::initializer_list<const IID*> ids) {
    return std::any_of(ids.begin(), ids.end(), [&](const IID* id) { return riid == *id; });
}

} // namespace embedded
