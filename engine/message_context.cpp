#include "engine/message_context.h"

#include "base/bounded_text.h"

MessageContext::MessageContext(IMAPISession* session, IMessage* message, HWND ownerWindow,
                               const SaveOptions* options)
    : ownerWindow(ownerWindow), options(options) {
    if (message != nullptr) {
        message->AddRef();
        this->message.Reset(message);
    }
    if (session != nullptr) {
        session->AddRef();
        this->session.Reset(session);
    }
    BoundedCopy(senderDomain, sizeof(senderDomain), kUnknownDomain);
    BoundedCopy(senderName, sizeof(senderName), kNoSenderName);
}

MessageContext::~MessageContext() {
    session.Reset();
    message.Reset();
}
