// The tree of a compound file being built in memory behind IStorage: streams and storages by
// name, each storage with its class. The file is written from it at the root's Commit, because
// the compound file writer goes front to back once. Stream contents beyond a small size wait in
// an unlinked temporary file, so that a storage holding big attachments stays small in memory.
#pragma once

#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/ole_storage.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace embedded {

class SpillBuffer {
  public:
    SpillBuffer() = default;
    ~SpillBuffer();
    SpillBuffer(const SpillBuffer&) = delete;
    SpillBuffer& operator=(const SpillBuffer&) = delete;

    std::uint64_t Size() const { return size; }
    // Exactly `count` bytes at `offset`; false outside the content or on a read failure.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Grows the content as needed; false when the temporary file cannot take the bytes.
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t count);
    bool Resize(std::uint64_t newSize);

  private:
    bool Spill(std::uint64_t needed);

    std::string memory;
    std::FILE* file = nullptr;
    std::uint64_t size = 0;
};

struct StreamNode {
    SpillBuffer content;
};

struct StorageNode {
    ClassId classId{};
    std::map<std::string, std::shared_ptr<StorageNode>> storages;
    std::map<std::string, std::shared_ptr<StreamNode>> streams;
};

// The tree behind an IStorage of the embedded platform; null for any other storage.
std::shared_ptr<StorageNode> TreeOf(IStorage* storage);

// Writes `root` as a compound file at `nativePath` (the file is replaced).
bool WriteCompoundFile(const StorageNode& root, const std::string& nativePath,
                       unsigned sectorSize = 512);

// Puts a compound file of `root` at `nativePath` through the durable replacement: a failure on
// the way leaves what was at `nativePath` as it was. The write and the rename are the platform
// operations "CompoundFileWrite" and "CompoundFileRename", which tests can make fail. With
// `expected`, the file there must still be that one (MAPI_E_OBJECT_CHANGED otherwise).
HRESULT ReplaceWithCompoundFile(const StorageNode& root, const std::string& nativePath,
                                std::optional<FileIdentity> expected = std::nullopt);

} // namespace embedded
