// The shell's item id lists on the embedded platform: one item holding a folder's Windows
// path, then the empty item that ends every list. Made with std::malloc, which the shell's
// allocator (SHGetMalloc, CoTaskMemFree) frees here.
#pragma once

#include "platform/shell_folders.h"

#include <optional>
#include <string>

namespace embedded {

// Null when the path is too long for one item or memory runs out.
LPITEMIDLIST MakeItemIdList(const std::string& windowsPath);

// The Windows path of a list made by MakeItemIdList, or nothing for any other list.
std::optional<std::string> WindowsPathOfItemIdList(LPCITEMIDLIST list);

} // namespace embedded
