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
// names compare without regard to case. A rewrite changes only the values that changed: every
// other line (comments, other keys and roots, values it does not understand) stays as and
// where it was, in the file's own encoding.
#pragma once

#include "platform/win32_registry.h"
#include "platform/win_types.h"

#include <optional>
#include <string>
#include <vector>

namespace embedded {

enum class RegistryRoot { CurrentUser, LocalMachine };

// How the file was written, so that a rewrite keeps it: UTF-8 (with or without its byte-order
// mark), or UTF-16LE with its mark, as the registry editor exports; and its line ends.
enum class RegistryEncoding { Utf8, Utf8WithMark, Utf16 };

struct RegistryValue {
    std::string name; // empty: the key's default value, written "@"
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // The value's lines as the file had them; empty once the value is changed or when new.
    std::string source = {};
};

// A line of a key's section: a value, by name, or any other line (a comment, a blank, a line
// that is no value), kept as it was.
struct RegistryKeyLine {
    bool isValue = false;
    std::string text; // the value's name, or the line
};

struct RegistryKey {
    std::string path; // below the root, "\"-separated; empty for the root itself
    std::vector<RegistryValue> values;
    // The section's header as the file had it, and its lines in order; a new key has neither.
    std::string header = {};
    std::vector<RegistryKeyLine> lines = {};
};

// A line of the file outside this root's sections (the editor's header, comments, sections of
// other roots, lines that are not understood), or the place of one of the root's keys.
struct RegistryFileLine {
    bool isKey = false;
    std::string text; // the key's path, or the line
};

struct RegistryHive {
    std::vector<RegistryKey> keys;
    // The file's lines in order; empty for a file that did not exist.
    std::vector<RegistryFileLine> layout;
    RegistryEncoding encoding = RegistryEncoding::Utf8;
    bool crlf = false;

    RegistryKey* Find(const std::string& path);
    // Whether the key is there, as a section of its own or as the parent of one.
    bool Has(const std::string& path) const;
};

// The file of a root: FILVEX_USER_REGISTRY / FILVEX_MACHINE_REGISTRY when set, else
// $XDG_CONFIG_HOME/filvex/user.reg (or ~/.config/filvex/user.reg) and /etc/filvex/machine.reg.
std::string RegistryFileOf(RegistryRoot root);
const char* RootNameOf(RegistryRoot root);

bool SameRegistryName(const std::string& a, const std::string& b);

// The text of a file, already decoded; what it does not understand is kept, in place, for
// RegistryText to write back.
RegistryHive ParseRegistryText(const std::string& text, RegistryRoot root);
std::string RegistryText(const RegistryHive& hive, RegistryRoot root);
// The file's bytes in the hive's encoding, and the hive of a file's bytes (a byte-order mark
// tells UTF-16LE or UTF-8; none is UTF-8).
std::string RegistryFileBytes(const RegistryHive& hive, RegistryRoot root);
RegistryHive ParseRegistryFile(const std::string& bytes, RegistryRoot root);

// A missing file is an empty root; nothing when the file exists but cannot be read.
std::optional<RegistryHive> LoadRegistry(RegistryRoot root, DWORD& error);
// Replaces the file as a whole: a temporary file in the same folder, flushed to disk, then
// renamed over the old one, so a failure at any step leaves the old file as it was.
DWORD StoreRegistry(RegistryRoot root, const RegistryHive& hive);
// Whether StoreRegistry could replace the file: the file and its folder (or, when they do not
// exist yet, the nearest folder that does) are writable.
bool CanStoreRegistry(RegistryRoot root);

} // namespace embedded
