// The embedded message object, for the places that hold messages: the in-memory store, an
// attachment, a compound file. Each gives the message a home that its SaveChanges writes to.
#pragma once

#include "platform/embedded/message_data.h"
#include "platform/mapi_interfaces.h"

#include <memory>
#include <vector>

namespace embedded {

// Where a message's SaveChanges writes.
class MessageHome {
  public:
    virtual ~MessageHome() = default;
    virtual HRESULT Save(const MessageData& data) = 0;
    virtual void AddComputed(std::vector<PropertyValue>&) const {}
};

// A message over `data` with one reference for the caller.
IMessage* NewMessageObject(MessageData data, std::unique_ptr<MessageHome> home, bool writable);

} // namespace embedded
