// One registry root kept in one text file in the registry editor's export format, so that it
// can be read and edited by hand:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\Morvane\Filvex\Options]
//   "AN"=dword:00000001
//   "SD"="C:\\Mail\\"
//   "Blob"=hex:01,02
//
// Other value types are written as hex(<type>):, with the bytes the calls see. Key and value
// names compare without regard to case.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <vector>

namespace embedded {

enum class RegistryRoot { CurrentUser, LocalMachine };

struct RegistryValue {
    std::string name; // empty: the key's default value, written "@"
    DWORD type;
    std::vector<BYTE> data;
};

struct RegistryKey {
    std::string path; // below the root, "\"-separated; empty for the root itself
    std::vector<RegistryValue> values;
};

struct RegistryHive {
    std::vector<RegistryKey> keys;

    RegistryKey* Find(const std::string& path);
    // Whether the key is there, as a section of its own or as the parent of one.
    bool Has(const std::string& path) const;
};

// The file of a root: FILVEX_USER_REGISTRY / FILVEX_MACHINE_REGISTRY when set, else
// $XDG_CONFIG_HOME/filvex/user.reg (or ~/.config/filvex/user.reg) and /etc/filvex/machine.reg.
std::string RegistryFileOf(RegistryRoot root);
const char* RootNameOf(RegistryRoot root);

bool SameRegistryName(const std::string& a, const std::string& b);

RegistryHive ParseRegistryText(const std::string& text, RegistryRoot root);
std::string RegistryText(const RegistryHive& hive, RegistryRoot root);

// A missing file is an empty root; nothing when the file exists but cannot be read.
std::optional<RegistryHive> LoadRegistry(RegistryRoot root, DWORD& error);
// Replaces the file as a whole: a temporary file in the same folder, flushed to disk, then
// renamed over the old one, so a failure at any step leaves the old file as it was.
DWORD StoreRegistry(RegistryRoot root, const RegistryHive& hive);
// Whether StoreRegistry could replace the file: the file and its folder (or, when they do not
// exist yet, the nearest folder that does) are writable.
bool CanStoreRegistry(RegistryRoot root);

} // namespace embedded
