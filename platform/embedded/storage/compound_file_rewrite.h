// Changing one root stream of a compound file. libgsf writes whole files only, so the file is
// written anew beside the old one, with every other stream and storage copied and the class
// ids kept, and then renamed over it: a failure at any point leaves the old file as it was.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <span>
#include <string>

namespace embedded {

// The fault injection names of the two steps that can fail half-way: the copy (entered once
// per stream written, so the n-th call stops the copy at the n-th stream) and the rename.
inline constexpr char kCompoundCopyStep[] = "CompoundFileCopy";
inline constexpr char kCompoundRenameStep[] = "CompoundFileRename";

// The root stream `streamName` (added when missing) holds `bytes` afterwards. `nativePath`
// names the file itself, not a link to it.
HRESULT ReplaceRootStream(const std::string& nativePath, const std::string& streamName,
                          std::span<const std::uint8_t> bytes);

// The STG_E_ code for a failed file system call.
HRESULT StorageResultOfErrno(int error);

} // namespace embedded
