// The message-events facet of the MailExtension: it watches a send, so that a message that
// still holds links can be offered its files back before it goes out.
#include "host/mail_extension.h"

HRESULT STDMETHODCALLTYPE MailExtension::OnRead(LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnReadComplete(LPEXCHEXTCALLBACK, ULONG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnWrite(LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnWriteComplete(LPEXCHEXTCALLBACK, ULONG ulFlags) {
    // Only the write that belongs to a send, and only when it completed normally.
    if (!submitting || ulFlags != 0) {
        return S_FALSE;
    }
    // The offer to reattach comes with the reattach command itself.
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnCheckNames(LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnCheckNamesComplete(LPEXCHEXTCALLBACK, ULONG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnSubmit(LPEXCHEXTCALLBACK) {
    submitting = 1;
    return S_FALSE;
}

void STDMETHODCALLTYPE MailExtension::OnSubmitComplete(LPEXCHEXTCALLBACK, ULONG) {
    submitting = 0;
}
