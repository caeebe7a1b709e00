// One link command's work on one message: the link rows of one snapshot of the attachment
// table, each handed to ProcessAttachment, then Finish once. A negative result from a row ends
// the pass without Finish, so that nothing of the pass is saved.
#pragma once

#include "options/save_options.h"
#include "platform/com_ptr.h"
#include "platform/mapi_interfaces.h"

class LinkAction {
  public:
    // The message and the session are referenced for the action's life; `options` is borrowed.
    LinkAction(IMAPISession* session, IMessage* message, HWND ownerWindow, SaveOptions& options);
    virtual ~LinkAction() = default;
    LinkAction(const LinkAction&) = delete;
    LinkAction& operator=(const LinkAction&) = delete;

    // The first negative ProcessAttachment result, else Finish's result.
    HRESULT Run();

    // Negative stops the command, 0 handled or not a link, 1 skipped.
    virtual HRESULT ProcessAttachment(LONG method, LONG number) = 0;
    // Saves the message when an attachment changed; a failed save is reported as 0, so that
    // the command goes on with the next message.
    virtual HRESULT Finish();

    // Links handled in this message.
    LONG processedCount = 0;
    ComPtr<IMessage> message;
    ComPtr<IMAPISession> session;
    HWND ownerWindow = nullptr;
    bool modified = false;
    SaveOptions& options;

  protected:
    // The link goes from the message; whether the store agreed is not looked at.
    void RemoveLinkAttachment(LONG number);
};
