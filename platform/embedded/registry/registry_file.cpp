#include "platform/embedded/registry/registry_file.h"

#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/files/native_files.h"
#include "platform/win32_registry.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace embedded {
namespace {

constexpr const char* Header = "Windows Registry Editor Version 5.00";

std::string Folded(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Trimmed(const std::string& line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(line[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(line[end - 1]))) {
        --end;
    }
    return line.substr(begin, end - begin);
}

// Reads a quoted text starting at `at` (on the opening quote), undoing \\ and \".
std::optional<std::string> Unquote(const std::string& line, std::size_t& at) {
    if (at >= line.size() || line[at] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = at + 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            out.push_back(line[++i]);
        } else if (line[i] == '"') {
            at = i + 1;
            return out;
        } else {
            out.push_back(line[i]);
        }
    }
    return std::nullopt;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out + "\"";
}

std::optional<std::vector<BYTE>> HexBytes(const std::string& text) {
    std::vector<BYTE> bytes;
    std::string digits;
    auto flush = [&]() -> bool {
        if (digits.empty()) {
            return true;
        }
        char* end = nullptr;
        const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
        if (*end != '\0' || value > 0xFF) {
            return false;
        }
        bytes.push_back(static_cast<BYTE>(value));
        digits.clear();
        return true;
    };
    for (char c : text) {
        if (c == ',') {
            if (!flush()) {
                return std::nullopt;
            }
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            digits.push_back(c);
        }
    }
    if (!flush()) {
        return std::nullopt;
    }
    return bytes;
}

// The value part after "=": a quoted text, dword:, hex: or hex(<type>):.
std::optional<RegistryValue> ParseData(const std::string& data) {
    RegistryValue value{{}, REG_NONE, {}};
    if (!data.empty() && data[0] == '"') {
        std::size_t at = 0;
        const auto text = Unquote(data, at);
        if (!text) {
            return std::nullopt;
        }
        value.type = REG_SZ;
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
        return value;
    }
    const std::string lower = Folded(data);
    if (lower.rfind("dword:", 0) == 0) {
        char* end = nullptr;
        const std::string digits = Trimmed(data.substr(6));
        const unsigned long number = std::strtoul(digits.c_str(), &end, 16);
        if (digits.empty() || *end != '\0' || digits.size() > 8) {
            return std::nullopt;
        }
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) {
            value.data.push_back(static_cast<BYTE>((number >> (8 * i)) & 0xFF));
        }
        return value;
    }
    std::size_t colon = std::string::npos;
    if (lower.rfind("hex:", 0) == 0) {
        value.type = REG_BINARY;
        colon = 3;
    } else if (lower.rfind("hex(", 0) == 0) {
        const std::size_t close = lower.find("):");
        if (close == std::string::npos) {
            return std::nullopt;
        }
        value.type =
            static_cast<DWORD>(std::strtoul(lower.substr(4, close - 4).c_str(), nullptr, 16));
        colon = close + 1;
    } else {
        return std::nullopt;
    }
    auto bytes = HexBytes(data.substr(colon + 1));
    if (!bytes) {
        return std::nullopt;
    }
    value.data = std::move(*bytes);
    return value;
}

std::string DataText(const RegistryValue& value) {
    if (value.type == REG_SZ && !value.data.empty() && value.data.back() == 0 &&
        std::memchr(value.data.data(), 0, value.data.size() - 1) == nullptr) {
        return Quote(std::string(value.data.begin(), value.data.end() - 1));
    }
    char text[16];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const DWORD number = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                             (static_cast<DWORD>(value.data[3]) << 24);
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return text;
    }
    std::string out;
    if (value.type == REG_BINARY) {
        out = "hex:";
    } else {
        std::snprintf(text, sizeof text, "hex(%x):", value.type);
        out = text;
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(text, sizeof text, i == 0 ? "%02x" : ",%02x", value.data[i]);
        out += text;
    }
    return out;
}

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : file.substr(0, slash));
}

} // namespace

bool SameRegistryName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Folded(a) == Folded(b);
}

RegistryKey* RegistryHive::Find(const std::string& path) {
    for (RegistryKey& key : keys) {
        if (SameRegistryName(key.path, path)) {
            return &key;
        }
    }
    return nullptr;
}

bool RegistryHive::Has(const std::string& path) const {
    if (path.empty()) {
        return true;
    }
    const std::string folded = Folded(path);
    for (const RegistryKey& key : keys) {
        const std::string candidate = Folded(key.path);
        if (candidate == folded ||
            (candidate.size() > folded.size() && candidate.compare(0, folded.size(), folded) == 0 &&
             candidate[folded.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

const char* RootNameOf(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string RegistryFileOf(RegistryRoot root) {
    const bool user = root == RegistryRoot::CurrentUser;
    const char* chosen = std::getenv(user ? "FILVEX_USER_REGISTRY" : "FILVEX_MACHINE_REGISTRY");
    if (chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    if (!user) {
        return "/etc/filvex/machine.reg";
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config != '\0') {
        return std::string(config) + "/filvex/user.reg";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config/filvex/user.reg";
}

RegistryHive ParseRegistryText(const std::string& text, RegistryRoot root) {
    RegistryHive hive;
    const std::string rootName = Folded(RootNameOf(root));
    const std::string shortName = root == RegistryRoot::CurrentUser ? "hkcu" : "hklm";
    RegistryKey* current = nullptr;
    std::istringstream lines(text);
    std::string raw;
    while (std::getline(lines, raw)) {
        std::string line = Trimmed(raw);
        // A long hex value goes on over lines that end in a backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
               std::getline(lines, raw)) {
            line.pop_back();
            line += Trimmed(raw);
        }
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            current = nullptr;
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos || line.size() < 2 || line[1] == '-') {
                continue; // a deletion section or a broken line: nothing to keep
            }
            const std::string path = line.substr(1, close - 1);
            const std::size_t slash = path.find('\\');
            const std::string head = Folded(path.substr(0, slash));
            if (head != rootName && head != shortName) {
                continue;
            }
            const std::string below = slash == std::string::npos ? "" : path.substr(slash + 1);
            current = hive.Find(below);
            if (current == nullptr) {
                hive.keys.push_back({below, {}});
                current = &hive.keys.back();
            }
            continue;
        }
        if (current == nullptr) {
            continue;
        }
        std::string name;
        std::size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else {
            auto quoted = Unquote(line, at);
            if (!quoted) {
                continue;
            }
            name = *quoted;
        }
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        if (at >= line.size() || line[at] != '=') {
            continue;
        }
        auto value = ParseData(Trimmed(line.substr(at + 1)));
        if (!value) {
            continue;
        }
        value->name = name;
        bool replaced = false;
        for (RegistryValue& existing : current->values) {
            if (SameRegistryName(existing.name, name)) {
                existing = *value;
                replaced = true;
            }
        }
        if (!replaced) {
            current->values.push_back(*value);
        }
    }
    return hive;
}

std::string RegistryText(const RegistryHive& hive, RegistryRoot root) {
    std::string out = std::string(Header) + "\n\n";
    for (const RegistryKey& key : hive.keys) {
        out +=
            "[" + std::string(RootNameOf(root)) + (key.path.empty() ? "" : "\\") + key.path + "]\n";
        for (const RegistryValue& value : key.values) {
            out += (value.name.empty() ? "@" : Quote(value.name)) + "=" + DataText(value) + "\n";
        }
        out += "\n";
    }
    return out;
}

std::optional<RegistryHive> LoadRegistry(RegistryRoot root, DWORD& error) {
    const std::string file = RegistryFileOf(root);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return RegistryHive{};
        }
        error = Win32CodeOfErrno(errno, file);
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseRegistryText(text.str(), root);
}

DWORD StoreRegistry(RegistryRoot root, const RegistryHive& hive) {
    const std::string file = RegistryFileOf(root);
    const std::string folder = FolderOf(file);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string text = RegistryText(hive, root);
    ReplaceSteps steps;
    // The last step on its own, so that a test can make the replacement itself fail.
    steps.rename = "ReplaceRegistryFile";
    steps.resultOfErrno = [&](int error) {
        return HRESULT_FROM_WIN32(Win32CodeOfErrno(error, file));
    };
    const HRESULT hr = ReplaceFileDurably(
        file,
        [&](const std::string& temporary) {
            const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
            if (descriptor < 0) {
                return steps.resultOfErrno(errno);
            }
            bool written = true;
            for (std::size_t done = 0; written && done < text.size();) {
                const ssize_t put = ::write(descriptor, text.data() + done, text.size() - done);
                written = put > 0;
                done += written ? static_cast<std::size_t>(put) : 0;
            }
            const int error = written ? 0 : errno;
            const bool closed = ::close(descriptor) == 0;
            if (!written || !closed) {
                return steps.resultOfErrno(written ? errno : error);
            }
            return S_OK;
        },
        steps);
    return SUCCEEDED(hr) ? ERROR_SUCCESS : Win32CodeOf(hr);
}

bool CanStoreRegistry(RegistryRoot root) {
    const std::string file = RegistryFileOf(root);
    if (::access(file.c_str(), F_OK) == 0) {
        return ::access(file.c_str(), W_OK) == 0 && ::access(FolderOf(file).c_str(), W_OK) == 0;
    }
    std::string folder = FolderOf(file);
    while (::access(folder.c_str(), F_OK) != 0 && folder != "/" && folder != ".") {
        folder = FolderOf(folder);
    }
    return ::access(folder.c_str(), W_OK) == 0;
}

} // namespace embedded
