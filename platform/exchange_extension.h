// The mail client's extension interfaces: the object it creates through the module's entry
// point (IExchExt), its commands (IExchExtCommands) and message events
// (IExchExtMessageEvents), and the client's callback (IExchExtCallback). The platform's
// headers do not carry them, so these are ours on every build; the slot order is the client's.
#pragma once

#include "platform/mapi_interfaces.h"

#include "platform/toolbar.h"

// Contexts that the client passes to Install.
constexpr ULONG EECONTEXT_SESSION = 0x00000001;
constexpr ULONG EECONTEXT_VIEWER = 0x00000002;
constexpr ULONG EECONTEXT_REMOTEVIEWER = 0x00000003;
constexpr ULONG EECONTEXT_SEARCHVIEWER = 0x00000004;
constexpr ULONG EECONTEXT_ADDRBOOK = 0x00000005;
constexpr ULONG EECONTEXT_SENDNOTEMESSAGE = 0x00000006;
constexpr ULONG EECONTEXT_READNOTEMESSAGE = 0x00000007;
constexpr ULONG EECONTEXT_SENDPOSTMESSAGE = 0x00000008;
constexpr ULONG EECONTEXT_READPOSTMESSAGE = 0x00000009;
constexpr ULONG EECONTEXT_READREPORTMESSAGE = 0x0000000A;
constexpr ULONG EECONTEXT_SENDRESENDMESSAGE = 0x0000000B;
constexpr ULONG EECONTEXT_PROPERTYSHEETS = 0x0000000C;
constexpr ULONG EECONTEXT_ADVANCEDCRITERIA = 0x0000000D;
constexpr ULONG EECONTEXT_TASK = 0x0000000E;

// The window class of the client's main windows (its viewers).
inline constexpr char kClientMainWindowClass[] = "rctrl_renwnd32";

// The flags of the message events' completions: the operation failed, or failed to complete.
constexpr ULONG EEME_FAILED = 0x00000001;
constexpr ULONG EEME_COMPLETE_FAILED = 0x00000002;

// QueryHelpText: which text the client asks for.
constexpr ULONG EECQHT_STATUS = 0x00000001;
constexpr ULONG EECQHT_TOOLTIP = 0x00000002;

// Toolbars that the client offers to InstallCommands.
constexpr ULONG EETBID_STANDARD = 0x00000001;

// The client's toolbar entry: its window, which toolbar it is, and the next free button
// index, which an extension advances for every button it adds.
struct TBENTRY {
    HWND hwnd;
    ULONG tbid;
    ULONG ulFlags;
    UINT itbbBase;
};
using LPTBENTRY = TBENTRY*;

struct IExchExtCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetVersion(ULONG* lpulVersion, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWindow(HWND* lphwnd) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMenu(HMENU* lphmenu) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetToolbar(ULONG tbid, HWND* lphwndTb) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSession(LPMAPISESSION* lppses, LPADRBOOK* lppab) = 0;
    // windows.h renames GetObject to GetObjectA; declaration and calls are renamed alike, and
    // the slot is what counts.
    virtual HRESULT STDMETHODCALLTYPE GetObject(LPMDB* lppmdb, LPMAPIPROP* lppmp) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionCount(ULONG* lpceid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSelectionItem(ULONG ieid, ULONG* lpcbEid,
                                                       LPENTRYID* lppeid, ULONG* lpulType,
                                                       LPSTR lpszMsgClass, ULONG cbMsgClass,
                                                       ULONG* lpulMsgFlags, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMenuPos(ULONG cmdid, HMENU* lphmenu, ULONG* lpmposMin,
                                                 ULONG* lpmposMax, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSharedExtsDir(LPSTR lpszDir, ULONG cchDir,
                                                       ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRecipients(LPADRLIST* lppal) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRecipients(LPADRLIST lpal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNewMessageSite(ULONG fComposeInFolder,
                                                        LPMAPIFOLDER pfldFocus, IUnknown* ppermsg,
                                                        LPMESSAGE* ppmsg, IUnknown** ppfrmmgr,
                                                        IUnknown** ppviewctx, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterModeless(IUnknown* peem, IUnknown** ppeemcb) = 0;
    virtual HRESULT STDMETHODCALLTYPE ChooseFolder(LPMDB* ppmdb, LPMAPIFOLDER* ppfld,
                                                   LPVOID lpcf) = 0;

  protected:
    ~IExchExtCallback() = default;
};
using LPEXCHEXTCALLBACK = IExchExtCallback*;

struct IExchExt : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Install(LPEXCHEXTCALLBACK lpeecb, ULONG mecontext,
                                              ULONG ulFlags) = 0;

  protected:
    ~IExchExt() = default;
};
using LPEXCHEXT = IExchExt*;

struct IExchExtCommands : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE InstallCommands(LPEXCHEXTCALLBACK lpeecb, HWND hwnd,
                                                      HMENU hmenu, UINT* lpcmdidBase,
                                                      LPTBENTRY lptbeArray, UINT ctbe,
                                                      ULONG ulFlags) = 0;
    virtual void STDMETHODCALLTYPE InitMenu(LPEXCHEXTCALLBACK lpeecb) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoCommand(LPEXCHEXTCALLBACK lpeecb, UINT cmdid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Help(LPEXCHEXTCALLBACK lpeecb, UINT cmdid) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryHelpText(UINT cmdid, ULONG ulFlags, LPSTR lpsz,
                                                    UINT cch) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryButtonInfo(ULONG tbid, UINT itbb, LPTBBUTTON ptbb,
                                                      LPSTR lpsz, UINT cch, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetToolbar(ULONG tbid, ULONG ulFlags) = 0;

  protected:
    ~IExchExtCommands() = default;
};
using LPEXCHEXTCOMMANDS = IExchExtCommands*;

struct IExchExtMessageEvents : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnRead(LPEXCHEXTCALLBACK lpeecb) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnReadComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWrite(LPEXCHEXTCALLBACK lpeecb) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnWriteComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCheckNames(LPEXCHEXTCALLBACK lpeecb) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnCheckNamesComplete(LPEXCHEXTCALLBACK lpeecb,
                                                           ULONG ulFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSubmit(LPEXCHEXTCALLBACK lpeecb) = 0;
    virtual void STDMETHODCALLTYPE OnSubmitComplete(LPEXCHEXTCALLBACK lpeecb, ULONG ulFlags) = 0;

  protected:
    ~IExchExtMessageEvents() = default;
};
using LPEXCHEXTMESSAGEEVENTS = IExchExtMessageEvents*;

// The client's interface ids {00020D1x-0000-0000-C000-000000000046}.
inline constexpr IID IID_IExchExtCallback = {
    0x00020D10, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IExchExt = {
    0x00020D11, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IExchExtCommands = {
    0x00020D12, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IExchExtMessageEvents = {
    0x00020D15, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// What the module's entry point ordinal 2 is.
using LPFNEXCHEXTENTRY = LPEXCHEXT(WINAPI*)();
