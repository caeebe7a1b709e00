#include "host/mail_extension.h"

#include "platform/interlocked.h"

namespace {

HWND lastViewerWindow = nullptr;

} // namespace

bool TakesPartIn(ULONG context) {
    switch (context) {
    case EECONTEXT_VIEWER:
    case EECONTEXT_SEARCHVIEWER:
    case EECONTEXT_SENDNOTEMESSAGE:
    case EECONTEXT_READNOTEMESSAGE:
    case EECONTEXT_READPOSTMESSAGE:
        return true;
    default:
        return false;
    }
}

HWND LastViewerWindow() {
    return lastViewerWindow;
}

void SetLastViewerWindow(HWND window) {
    lastViewerWindow = window;
}

MailExtension::MailExtension() {
    Reset();
}

void MailExtension::Reset() {
    context = 0;
    toolbarButtonIndex = -1;
    toolbarBitmapIndex = -1;
    saveCommandId = -1;
    reattachCommandId = -1;
    displayLinkInfoCommandId = -1;
    batchUpdateCommandId = -1;
    aboutCommandId = -1;
    mainWindow = nullptr;
    submitting = 0;
}

HRESULT STDMETHODCALLTYPE MailExtension::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) {
        return E_POINTER;
    }
    *ppvObject = nullptr;
    // The client asks for the facets it calls; the extension's own id is never handed out.
    struct Facet {
        const IID* id;
        IUnknown* facet;
    };
    const Facet facets[] = {
        {&IID_IUnknown, static_cast<IExchExtCommands*>(this)},
        {&IID_IExchExtCommands, static_cast<IExchExtCommands*>(this)},
        {&IID_IExchExtMessageEvents, static_cast<IExchExtMessageEvents*>(this)},
    };
    for (const Facet& entry : facets) {
        if (IsEqualIID(riid, *entry.id)) {
            entry.facet->AddRef();
            *ppvObject = entry.facet;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE MailExtension::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount));
}

ULONG STDMETHODCALLTYPE MailExtension::Release() {
    LONG count = InterlockedDecrement(&refCount);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE MailExtension::Install(LPEXCHEXTCALLBACK, ULONG mecontext, ULONG) {
    Reset();
    context = mecontext;
    return TakesPartIn(mecontext) ? S_OK : S_FALSE;
}
