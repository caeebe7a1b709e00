// Entry point 2: the mail client's way to the module's extension object.
#pragma once

#include "platform/exchange_extension.h"

// A new MailExtension with one reference for the caller, or null when it cannot be made.
extern "C" LPEXCHEXT WINAPI CreateMailExtension();
