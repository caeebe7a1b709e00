#include "host/extension_entry.h"

#include "host/mail_extension.h"

#include <new>

extern "C" LPEXCHEXT WINAPI CreateMailExtension() {
    MailExtension* extension = new (std::nothrow) MailExtension();
    if (extension == nullptr) {
        return nullptr;
    }
    extension->AddRef();
    return extension;
}
