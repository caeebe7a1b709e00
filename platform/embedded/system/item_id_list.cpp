#include "platform/embedded/system/item_id_list.h"

#include <cstdlib>
#include <cstring>

namespace embedded {
namespace {

// Marks an item as ours, so that a foreign list is never read as a path.
constexpr char kTag[4] = {'F', 'V', 'P', 'T'};

} // namespace

LPITEMIDLIST MakeItemIdList(const std::string& windowsPath) {
    const std::size_t itemSize = sizeof(WORD) + sizeof(kTag) + windowsPath.size() + 1;
    if (itemSize > 0xFFFF) {
        return nullptr;
    }
    auto* bytes = static_cast<BYTE*>(std::malloc(itemSize + sizeof(WORD)));
    if (bytes == nullptr) {
        return nullptr;
    }
    const auto size = static_cast<WORD>(itemSize);
    std::memcpy(bytes, &size, sizeof size);
    std::memcpy(bytes + sizeof(WORD), kTag, sizeof kTag);
    std::memcpy(bytes + sizeof(WORD) + sizeof kTag, windowsPath.c_str(), windowsPath.size() + 1);
    std::memset(bytes + itemSize, 0, sizeof(WORD));
    return reinterpret_cast<LPITEMIDLIST>(bytes);
}

std::optional<std::string> WindowsPathOfItemIdList(LPCITEMIDLIST list) {
    if (list == nullptr) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const BYTE*>(list);
    WORD size = 0;
    std::memcpy(&size, bytes, sizeof size);
    if (size <= sizeof(WORD) + sizeof(kTag) ||
        std::memcmp(bytes + sizeof(WORD), kTag, sizeof kTag) != 0) {
        return std::nullopt;
    }
    const char* path = reinterpret_cast<const char*>(bytes + sizeof(WORD) + sizeof kTag);
    const std::size_t room = size - sizeof(WORD) - sizeof(kTag);
    if (std::memchr(path, '\0', room) == nullptr) {
        return std::nullopt;
    }
    return std::string(path);
}

} // namespace embedded
