// What every working command takes from the client before it acts, and its walk over the
// selection under the wait cursor.
#pragma once

#include "host/mail_extension.h"
#include "host/message_visitor.h"
#include "options/save_options.h"
#include "platform/com_ptr.h"

#include <memory>
#include <optional>

struct CommandStart {
    HWND owner = nullptr;
    ComPtr<IMAPISession> session;
    // A fresh record from the stored options, kept to the command's end.
    std::shared_ptr<SaveOptions> options;
};

// Nothing when the session or the options cannot be had, or, with `countSelection`, when the
// client cannot count its selection: the command then does nothing.
std::optional<CommandStart> StartCommand(const MailExtension& extension, LPEXCHEXTCALLBACK callback,
                                         bool countSelection);

// The walk stops at the first failing message; what was done before it stays.
HRESULT WalkSelectionUnderWaitCursor(LPEXCHEXTCALLBACK callback, const CommandStart& start,
                                     MessageVisitor& visitor);
