// A message store over a native folder of ".msg" files, as the command-line host opens one.
#pragma once

#include "platform/embedded/store/message_store.h"

#include <memory>
#include <string>

namespace embedded {

struct StoreData;

// A store whose messages are the ".msg" files of a native folder: the folder is the top of the
// store (under its root folder), each subfolder a mail folder named after it, each ".msg" file
// in them a message of its folder. Files are read when a message is first used; SaveChanges
// rewrites a message's file through a temporary file and a rename. Entry identifiers depend
// only on the native folder and on the file's or folder's path below it, so they are the same
// in every store opened on the same folder.
class MsgFolderStore {
  public:
    explicit MsgFolderStore(const std::string& nativeFolder);
    ~MsgFolderStore();
    MsgFolderStore(const MsgFolderStore&) = delete;
    MsgFolderStore& operator=(const MsgFolderStore&) = delete;

    EntryId Root() const;
    EntryId TopOfStore() const;
    // `relative` uses "/"; an empty one is the top. Empty identifiers for paths not found.
    EntryId Folder(const std::string& relative) const;
    EntryId Message(const std::string& relative) const;

    IMAPISession* OpenSession();
    IMsgStore* OpenStore();

  private:
    std::shared_ptr<StoreData> store;
};

} // namespace embedded
