// The handlers that DoCommand dispatches to; each answers S_OK, the command being handled.
#pragma once

#include "host/mail_extension.h"

HRESULT SaveAttachmentsCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback);
HRESULT AboutCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback);
// The link commands.
HRESULT ReattachLinksCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback);
HRESULT DisplayLinkInfoCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback);
HRESULT BatchUpdateLinksCommand(MailExtension& extension, LPEXCHEXTCALLBACK callback);

// The window that owns a command's boxes: the client's window when it names one, else the
// window the commands were installed in.
HWND CommandOwnerWindow(const MailExtension& extension, LPEXCHEXTCALLBACK callback);
