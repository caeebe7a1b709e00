// The embedded message object, for the places that hold messages: the in-memory store, an
// attachment, a compound file. Each gives the message a home that its SaveChanges writes to.
#pragma once

#include "platform/embedded/store/message_data.h"
#include "platform/mapi_interfaces.h"

#include <memory>
#include <vector>

namespace embedded {

// Where a message's SaveChanges writes. A home may bring `data` up to date with what it wrote
// (a file's home points values still in the file at the new file). There are four:
// - the in-memory store's record of the message (store/message_objects.cpp),
// - the attachment that holds an embedded message (store/message_objects.cpp),
// - a storage that OpenIMsgOnIStg was given (msg/msg_file.cpp),
// - a ".msg" file of a folder store (msg/msg_file.cpp).
class MessageHome {
  public:
    virtual ~MessageHome() = default;
    virtual HRESULT Save(MessageData& data) = 0;
    virtual void AddComputed(std::vector<PropertyValue>&) const {}
};

// A message over `data` with one reference for the caller.
IMessage* NewMessageObject(MessageData data, std::unique_ptr<MessageHome> home, bool writable);

} // namespace embedded
