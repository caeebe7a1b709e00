#include "host/extension_entry.h"

#include "host/mail_extension.h"
#include "host/rule_action.h"

#include <new>

extern "C" LPCUSTOMACTION WINAPI CreateRuleAction() {
    RuleAction* action = new (std::nothrow) RuleAction();
    if (action == nullptr) {
        return nullptr;
    }
    action->AddRef();
    return action;
}

extern "C" LPEXCHEXT WINAPI CreateMailExtension() {
    MailExtension* extension = new (std::nothrow) MailExtension();
    if (extension == nullptr) {
        return nullptr;
    }
    extension->AddRef();
    return extension;
}
