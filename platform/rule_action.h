// The mail client's rule custom-action interface {00020E11-0000-0000-C000-000000000046} and the
// callback object that the client hands to it. Ours on every build; the slot order is the
// client's. The client never calls slots 4 and 5 with anything the action needs.
#pragma once

#include "platform/mapi_interfaces.h"

struct ICustomActionCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved() = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryOwnerWindow(HWND* lphwnd) = 0;
    // The session comes with a reference that the action releases.
    virtual HRESULT STDMETHODCALLTYPE QuerySession(LPMAPISESSION* lppses) = 0;

  protected:
    ~ICustomActionCallback() = default;
};
using LPCUSTOMACTIONCALLBACK = ICustomActionCallback*;

struct ICustomAction : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Reserved1(ULONG ulUnused1, ULONG ulUnused2) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    // optionText is in and out, optionCapacity bytes with the terminator.
    virtual HRESULT STDMETHODCALLTYPE Configure(LPCUSTOMACTIONCALLBACK lpcb, LPSTR optionText,
                                                ULONG optionCapacity, LPSTR displayName,
                                                ULONG nameCapacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(ULONG ulUnused1, ULONG ulUnused2,
                                                     LPSTR displayName, ULONG nameCapacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE Execute(LPCUSTOMACTIONCALLBACK lpcb, LPSTR optionText,
                                              ULONG cbEntryID, LPENTRYID lpEntryID) = 0;

  protected:
    ~ICustomAction() = default;
};
using LPCUSTOMACTION = ICustomAction*;

inline constexpr IID IID_ICustomAction = {
    0x00020E11, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

#ifndef _WIN32
// Returned by Configure when the option text does not fit the client's buffer.
constexpr HRESULT TYPE_E_BUFFERTOOSMALL = static_cast<HRESULT>(0x80028016);
#endif

// The title of the rules editor's window from which the user configures a custom action.
inline constexpr char kSelectCustomActionTitle[] = "Select Custom Action";

// What the module's entry point ordinal 1 is.
using LPFNCUSTOMACTIONENTRY = LPCUSTOMACTION(WINAPI*)();
