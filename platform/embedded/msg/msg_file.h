// Messages in ".msg" files, the Outlook item file format: read from a compound file into the
// store's message form, and written from it into the tree of a storage.
#pragma once

#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/store/message_data.h"
#include "platform/embedded/storage/storage_tree.h"
#include "platform/mapi_interfaces.h"

#include <string>

namespace embedded {

// Attachment contents, and other binary values from this size on, stay in the file until they
// are asked for.
constexpr std::uint64_t kMsgValueInFileFrom = 64 * 1024;

// The message of a ".msg" file, strings in UTF-8 or UTF-16 whatever width the file has them
// in. MAPI_E_NOT_FOUND for a missing file, MAPI_E_CORRUPT_DATA for one that is damaged or no
// message at all.
// With `identity`, also the identity of the file that was read.
HRESULT ReadMsgFile(const std::string& nativePath, MessageData& message,
                    FileIdentity* identity = nullptr);

// Puts `message` into `root` as a top-level message, replacing the streams and storages that
// were there; the root's class is kept. Every string is written as PT_UNICODE.
HRESULT WriteMsgMessage(const MessageData& message, StorageNode& root);

// Rewrites the ".msg" file at `nativePath` with `message` through the durable replacement,
// keeping the file's permissions. On success `message` becomes the message as the new file holds
// it (values still in the old file now come from the new one). With `identity`, the file must
// still be the one of that identity (MAPI_E_OBJECT_CHANGED otherwise, the file left alone), and
// on success `identity` becomes the new file's.
HRESULT SaveMsgFile(MessageData& message, const std::string& nativePath,
                    FileIdentity* identity = nullptr);

// The message of a ".msg" file, with one reference for the caller. When `writable`, its
// SaveChanges rewrites the file whole through a temporary file and a rename.
HRESULT OpenMsgFile(const std::string& nativePath, bool writable, IMessage** message);

} // namespace embedded
