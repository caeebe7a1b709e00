// `filvex options`: the options in force, as the registry holds them, and the key they come
// from: the administrator's machine-wide key when it exists, else the user's.
#pragma once

#include "cli/run_settings.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace cli {

// Prints one "NAME=value" line per stored value, after a line naming the key. 0, or 1 when
// the registry cannot be read.
int PrintStoredOptions(std::ostream& out);

// A value of the options key in force, as the module reads it: a number (REG_DWORD) or a text
// (REG_SZ); nothing when it is missing or of another type.
std::optional<unsigned long> StoredNumber(const char* name);
std::optional<std::string> StoredText(const char* name);

// While it lives, a stored option of the wrong type (a number where a text is meant) reads as
// missing, as if it were not stored, and `warn` is told so once per value.
class StoredTypeCheck {
  public:
    explicit StoredTypeCheck(std::function<void(const std::string&)> warn);
    ~StoredTypeCheck();
    StoredTypeCheck(const StoredTypeCheck&) = delete;
    StoredTypeCheck& operator=(const StoredTypeCheck&) = delete;
};

// The settings a run without the dialog takes: the stored ones, defaults where none is stored.
RunSettings StoredRunSettings();
// The target folder the stored options name (a Windows path), or empty.
std::string StoredTargetFolder();

} // namespace cli
