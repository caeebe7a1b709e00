// The module's two entry points, exported by ordinal only: 1 gives the rules their custom
// action, 2 gives the mail client its extension object.
#pragma once

#include "platform/exchange_extension.h"
#include "platform/rule_action.h"

// A new RuleAction with one reference for the caller, or null when it cannot be made.
extern "C" LPCUSTOMACTION WINAPI CreateRuleAction();

// A new MailExtension with one reference for the caller, or null when it cannot be made.
extern "C" LPEXCHEXT WINAPI CreateMailExtension();
