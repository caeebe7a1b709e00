// Compound files (the structured storage container) read and written through libgsf. Nothing of
// GLib or libgsf shows beyond this wrapper.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace embedded {

using ClassId = std::array<std::uint8_t, 16>;

struct CompoundEntry {
    std::string name;
    bool isStorage;
    std::uint64_t size;
};

// One stream inside a compound file, read on demand.
class CompoundStreamReader {
  public:
    struct Impl;
    explicit CompoundStreamReader(std::unique_ptr<Impl> impl);
    ~CompoundStreamReader();

    std::uint64_t Size() const;
    // Reads exactly `count` bytes at `offset`; false when the range lies outside the stream or
    // the file's sectors cannot be read.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count);

  private:
    std::unique_ptr<Impl> impl_;
};

// One storage (the root or a storage inside it), read on demand.
class CompoundStorageReader {
  public:
    struct Impl;
    explicit CompoundStorageReader(std::unique_ptr<Impl> impl);
    ~CompoundStorageReader();

    // Null, with the reason in `error`, when the file is missing or is no compound file.
    static std::unique_ptr<CompoundStorageReader> OpenFile(const std::string& nativePath,
                                                           std::string* error = nullptr);

    std::vector<CompoundEntry> Entries() const;
    // Every child that the directory names, also one that Entries() leaves out because its
    // sectors cannot be read: a copy of the tree compares the two so that it loses nothing.
    std::size_t ChildCount() const;
    std::unique_ptr<CompoundStorageReader> OpenStorage(const std::string& name) const;
    std::unique_ptr<CompoundStreamReader> OpenStream(const std::string& name) const;
    ClassId GetClassId() const;

  private:
    std::unique_ptr<Impl> impl_;
};

// Writes a compound file front to back: a storage is begun, filled with streams and storages,
// and ended; a stream is begun, written and ended before its next sibling.
class CompoundWriter {
  public:
    struct Impl;
    explicit CompoundWriter(std::unique_ptr<Impl> impl);
    ~CompoundWriter();

    // `sectorSize` is 512 or 4096.
    static std::unique_ptr<CompoundWriter>
    Create(const std::string& nativePath, unsigned sectorSize = 512, std::string* error = nullptr);

    bool SetClassId(const ClassId& classId); // of the storage being written
    bool BeginStorage(const std::string& name);
    bool EndStorage();
    bool BeginStream(const std::string& name);
    bool Write(const void* data, std::size_t count);
    bool EndStream();
    // Writes the directory and closes the file; false when anything failed on the way.
    bool Close();

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace embedded
