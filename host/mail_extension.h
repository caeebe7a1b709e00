// The object the mail client creates through entry point 2: one object, three facets (the
// extension itself, its commands and its message events) sharing one reference count.
#pragma once

#include "platform/exchange_extension.h"

class MailExtension final : public IExchExt, public IExchExtCommands, public IExchExtMessageEvents {
  public:
    MailExtension();
    MailExtension(const MailExtension&) = delete;
    MailExtension& operator=(const MailExtension&) = delete;

    // The same three on every facet.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IExchExt
    HRESULT STDMETHODCALLTYPE Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext,
                                      ULONG ulFlags) override;

    // IExchExtCommands
    HRESULT STDMETHODCALLTYPE InstallCommands(LPEXCHEXTCALLBACK lpeecb, HWND hwnd, HMENU hmenu,
                                              UINT* lpcmdidBase, LPTBENTRY lptbeArray, UINT ctbe,
                                              ULONG ulFlags) override;
    void STDMETHODCALLTYPE InitMenu(LPEXCHEXTCALLBACK lpeecb) override;
    HRESULT STDMETHODCALLTYPE DoCommand(LPEXCHEXTCALLBACK lpeecb, UINT cmdid) override;
    HRESULT STDMETHODCALLTYPE Help(LPEXCHEXTCALLBACK lpeecb, UINT cmdid) override;
    HRESULT STDMETHODCALLTYPE QueryHelpText(UINT cmdid, ULONG ulFlags, LPSTR lpsz,
                                            UINT cch) override;
    HRESULT STDMETHODCALLTYPE QueryButtonInfo(ULONG tbid, UINT itbb, LPTBBUTTON ptbb, LPSTR lpsz,
                                              UINT cch, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE ResetToolbar(ULONG tbid, ULONG ulFlags) override;

    // IExchExtMessageEvents
    HRESULT STDMETHODCALLTYPE OnRead(LPEXCHEXTCALLBACK lpeecb) override;
    HRESULT STDMETHODCALLTYPE OnReadComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnWrite(LPEXCHEXTCALLBACK lpeecb) override;
    HRESULT STDMETHODCALLTYPE OnWriteComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnCheckNames(LPEXCHEXTCALLBACK lpeecb) override;
    HRESULT STDMETHODCALLTYPE OnCheckNamesComplete(LPEXCHEXTCALLBACK lpeecb,
                                                   ULONG ulFlags) override;
    HRESULT STDMETHODCALLTYPE OnSubmit(LPEXCHEXTCALLBACK lpeecb) override;
    void STDMETHODCALLTYPE OnSubmitComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) override;

    LONG volatile refCount = 0;
    ULONG context = 0;
    LONG toolbarButtonIndex = -1;
    LONG toolbarBitmapIndex = -1;
    LONG saveCommandId = -1;
    LONG reattachCommandId = -1;
    LONG displayLinkInfoCommandId = -1;
    LONG batchUpdateCommandId = -1;
    LONG aboutCommandId = -1;
    // The window handed to InstallCommands: owner of boxes when the client names none.
    HWND mainWindow = nullptr;
    BYTE submitting = 0;

  private:
    ~MailExtension() = default;
    // Every field but the count back to its start, as a new Install finds them.
    void Reset();
};

// The contexts the object serves: viewers, the compose window and the read windows.
bool TakesPartIn(ULONG context);

// The window of the last viewer the module was installed in: owner of boxes for a rule action,
// which has no window of its own.
HWND LastViewerWindow();
void SetLastViewerWindow(HWND window);
