// The message-events facet of the MailExtension: it watches a send, so that a message that
// still holds links can be offered its files back before it goes out.
#include "host/command_handlers.h"
#include "host/link_visitors.h"
#include "host/mail_extension.h"
#include "host/selection_walk.h"
#include "links/link_attachment.h"
#include "module/user_messages.h"
#include "options/command_options.h"
#include "platform/com_ptr.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"

HRESULT STDMETHODCALLTYPE MailExtension::OnRead(LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnReadComplete(LPEXCHEXTCALLBACK, ULONG) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnWrite(LPEXCHEXTCALLBACK) {
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE MailExtension::OnWriteComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) {
    // Only the write that belongs to a send, and only when it completed normally.
    if (!submitting || ulFlags != 0 || lpeecb == nullptr) {
        return S_FALSE;
    }
    const HWND owner = CommandOwnerWindow(*this, lpeecb);
    HRESULT result = S_FALSE;
    ComPtr<IMAPISession> session;
    if (FAILED(lpeecb->GetSession(session.Out(), nullptr))) {
        return result;
    }
    std::shared_ptr<SaveOptions> options = AcquireCommandOptions();
    ComPtr<IMsgStore> store;
    ComPtr<IMAPIProp> object;
    if (!options || FAILED(lpeecb->GetObject(store.Out(), object.Out())) || !object) {
        return result;
    }
    ComPtr<IMessage> message;
    if (FAILED(object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(message.Out())))) {
        return result;
    }
    ULONG links = 0;
    if (FAILED(CountLinkAttachments(message.Get(), &links)) || links == 0) {
        return result;
    }
    const int answer =
        ShowResourceMessage(owner, resource_ids::kReattachBeforeSend,
                            MB_YESNO | MB_ICONQUESTION | MB_TOPMOST, static_cast<int>(links));
    if (answer == IDNO) {
        return result;
    }
    // The files go into the message that is sent and stay on disk as well.
    options->deleteReattachedFiles = 0;
    ReattachVisitor visitor(*options);
    const HRESULT walked = ForEachSelectedMessage(lpeecb, session.Get(), owner, visitor);
    if (FAILED(walked)) {
        result = walked;
    }
    options->deleteReattachedFiles = 1;
    return result;
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
