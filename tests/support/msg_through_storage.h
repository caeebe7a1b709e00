// A message written into a new ".msg" file the way the engine writes an embedded message:
// a new storage, a message on it, its class, CopyTo, SaveChanges and Commit.
#pragma once

#include "platform/mapi_interfaces.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// `excluded` are the tags CopyTo leaves out; `beforeCommit` runs just before the commit. The
// result of the first failing step, else the commit's; the save's own result is not looked
// at, as the engine does not look at it.
HRESULT CopyIntoNewMsg(IMessage* source, const std::u16string& path,
                       const std::vector<ULONG>& excluded = {},
                       const std::function<void()>& beforeCommit = {});

} // namespace testing_support
