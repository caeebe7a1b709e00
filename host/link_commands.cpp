// The link commands' entries in the dispatch. Their work (putting files back, rewriting and
// listing links) arrives with the link attachments' own commands; until then the commands are
// taken and do nothing.
#include "host/command_handlers.h"

HRESULT ReattachLinksCommand(MailExtension&, LPEXCHEXTCALLBACK) {
    return S_OK;
}

HRESULT DisplayLinkInfoCommand(MailExtension&, LPEXCHEXTCALLBACK) {
    return S_OK;
}

HRESULT BatchUpdateLinksCommand(MailExtension&, LPEXCHEXTCALLBACK) {
    return S_OK;
}
