#include "platform/embedded/registry/registry_file.h"

#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/files/native_files.h"
#include "platform/embedded/text/utf8.h"
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
    RegistryValue value;
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
    hive.crlf = text.find("\r\n") != std::string::npos;
    const std::string rootName = Folded(RootNameOf(root));
    const std::string shortName = root == RegistryRoot::CurrentUser ? "hkcu" : "hklm";
    RegistryKey* current = nullptr;
    std::istringstream lines(text);
    std::string raw;
    auto keep = [&](const std::string& line) {
        if (current != nullptr) {
            current->lines.push_back({false, line});
        } else {
            hive.layout.push_back({false, line});
        }
    };
    while (std::getline(lines, raw)) {
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
        }
        std::string source = raw;
        std::string line = Trimmed(raw);
        // A long hex value goes on over lines that end in a backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
               std::getline(lines, raw)) {
            if (!raw.empty() && raw.back() == '\r') {
                raw.pop_back();
            }
            source += "\n" + raw;
            line.pop_back();
            line += Trimmed(raw);
        }
        if (line.empty() || line[0] == ';') {
            keep(source);
            continue;
        }
        if (line[0] == '[') {
            current = nullptr;
            const std::size_t close = line.rfind(']');
            if (close == std::string::npos || line.size() < 2 || line[1] == '-') {
                keep(source); // a deletion section or a broken line: kept, not applied
                continue;
            }
            const std::string path = line.substr(1, close - 1);
            const std::size_t slash = path.find('\\');
            const std::string head = Folded(path.substr(0, slash));
            if (head != rootName && head != shortName) {
                keep(source);
                continue;
            }
            const std::string below = slash == std::string::npos ? "" : path.substr(slash + 1);
            current = hive.Find(below);
            if (current == nullptr) {
                hive.keys.push_back({below, {}, source, {}});
                hive.layout.push_back({true, below});
                current = &hive.keys.back();
            }
            continue;
        }
        if (current == nullptr) {
            keep(source);
            continue;
        }
        std::string name;
        std::size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else {
            auto quoted = Unquote(line, at);
            if (!quoted) {
                keep(source);
                continue;
            }
            name = *quoted;
        }
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        }
        std::optional<RegistryValue> value;
        if (at < line.size() && line[at] == '=') {
            value = ParseData(Trimmed(line.substr(at + 1)));
        }
        if (!value) {
            keep(source);
            continue;
        }
        value->name = name;
        value->source = source;
        // A later line for the same value wins, as the editor imports; the earlier one goes.
        std::erase_if(current->values, [&](const RegistryValue& existing) {
            return SameRegistryName(existing.name, name);
        });
        std::erase_if(current->lines, [&](const RegistryKeyLine& existing) {
            return existing.isValue && SameRegistryName(existing.text, name);
        });
        current->values.push_back(*value);
        current->lines.push_back({true, name});
    }
    return hive;
}

namespace {

std::string ValueLine(const RegistryValue& value) {
    return (value.name.empty() ? "@" : Quote(value.name)) + "=" + DataText(value);
}

std::string HeaderOf(const RegistryKey& key, RegistryRoot root) {
    return "[" + std::string(RootNameOf(root)) + (key.path.empty() ? "" : "\\") + key.path + "]";
}

// A key's section: its lines as they were, each value as it was unless it changed, values
// that are gone left out, and new values after the last value the section had.
void AppendKey(std::vector<std::string>& out, const RegistryKey& key, RegistryRoot root) {
    out.push_back(key.header.empty() ? HeaderOf(key, root) : key.header);
    std::vector<std::string> body;
    std::size_t afterLastValue = 0;
    std::vector<bool> placed(key.values.size(), false);
    for (const RegistryKeyLine& line : key.lines) {
        if (!line.isValue) {
            body.push_back(line.text);
            continue;
        }
        for (std::size_t i = 0; i < key.values.size(); ++i) {
            if (!placed[i] && SameRegistryName(key.values[i].name, line.text)) {
                placed[i] = true;
                const RegistryValue& value = key.values[i];
                body.push_back(value.source.empty() ? ValueLine(value) : value.source);
                afterLastValue = body.size();
                break;
            }
        }
    }
    std::vector<std::string> added;
    for (std::size_t i = 0; i < key.values.size(); ++i) {
        if (!placed[i]) {
            added.push_back(ValueLine(key.values[i]));
        }
    }
    if (key.header.empty() && key.lines.empty()) {
        added.push_back(""); // a new section ends with a blank line, as the editor writes it
    }
    body.insert(body.begin() + static_cast<std::ptrdiff_t>(afterLastValue), added.begin(),
                added.end());
    out.insert(out.end(), body.begin(), body.end());
}

void AppendUtf16(std::string& out, char32_t codePoint) {
    auto unit = [&out](std::uint32_t value) {
        out.push_back(static_cast<char>(value & 0xFF));
        out.push_back(static_cast<char>((value >> 8) & 0xFF));
    };
    if (codePoint >= 0x10000) {
        codePoint -= 0x10000;
        unit(0xD800 + (codePoint >> 10));
        unit(0xDC00 + (codePoint & 0x3FF));
    } else {
        unit(codePoint);
    }
}

std::string Utf16FromText(const std::string& text) {
    std::string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
    for (std::size_t at = 0; at < text.size();) {
        if (bytes[at] == 0) {
            AppendUtf16(out, 0);
            ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(bytes + at);
        bool valid = false;
        const char32_t codePoint = DecodeUtf8(bytes + at, length, valid);
        AppendUtf16(out, valid ? codePoint : 0xFFFD);
        at += length;
    }
    return out;
}

std::string TextFromUtf16(const std::string& bytes) {
    std::string out;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        char32_t unit = static_cast<unsigned char>(bytes[at]) |
                        (static_cast<char32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8);
        if (unit >= 0xD800 && unit < 0xDC00 && at + 3 < bytes.size()) {
            const char32_t low =
                static_cast<unsigned char>(bytes[at + 2]) |
                (static_cast<char32_t>(static_cast<unsigned char>(bytes[at + 3])) << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                at += 2;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return out;
}

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16Mark[] = "\xFF\xFE";

} // namespace

std::string RegistryText(const RegistryHive& hive, RegistryRoot root) {
    std::vector<std::string> lines;
    if (hive.layout.empty()) {
        lines = {Header, ""};
    }
    std::vector<bool> placed(hive.keys.size(), false);
    auto place = [&](std::size_t i) {
        placed[i] = true;
        AppendKey(lines, hive.keys[i], root);
    };
    for (const RegistryFileLine& line : hive.layout) {
        if (!line.isKey) {
            lines.push_back(line.text);
            continue;
        }
        for (std::size_t i = 0; i < hive.keys.size(); ++i) {
            if (!placed[i] && SameRegistryName(hive.keys[i].path, line.text)) {
                place(i);
                break;
            }
        }
    }
    for (std::size_t i = 0; i < hive.keys.size(); ++i) {
        if (!placed[i]) {
            if (!lines.empty() && !lines.back().empty()) {
                lines.push_back("");
            }
            place(i);
        }
    }
    const char* end = hive.crlf ? "\r\n" : "\n";
    std::string out;
    for (const std::string& line : lines) {
        // A value kept as written may go on over lines of its own.
        std::size_t from = 0;
        for (std::size_t at = line.find('\n'); at != std::string::npos;
             from = at + 1, at = line.find('\n', from)) {
            out += line.substr(from, at - from) + end;
        }
        out += line.substr(from) + end;
    }
    return out;
}

std::string RegistryFileBytes(const RegistryHive& hive, RegistryRoot root) {
    const std::string text = RegistryText(hive, root);
    switch (hive.encoding) {
    case RegistryEncoding::Utf16:
        return std::string(kUtf16Mark) + Utf16FromText(text);
    case RegistryEncoding::Utf8WithMark:
        return kUtf8Mark + text;
    case RegistryEncoding::Utf8:
        break;
    }
    return text;
}

RegistryHive ParseRegistryFile(const std::string& bytes, RegistryRoot root) {
    RegistryHive hive;
    if (bytes.rfind(kUtf16Mark, 0) == 0) {
        hive = ParseRegistryText(TextFromUtf16(bytes.substr(2)), root);
        hive.encoding = RegistryEncoding::Utf16;
    } else if (bytes.rfind(kUtf8Mark, 0) == 0) {
        hive = ParseRegistryText(bytes.substr(3), root);
        hive.encoding = RegistryEncoding::Utf8WithMark;
    } else {
        hive = ParseRegistryText(bytes, root);
    }
    return hive;
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
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return ParseRegistryFile(bytes.str(), root);
}

DWORD StoreRegistry(RegistryRoot root, const RegistryHive& hive) {
    const std::string file = RegistryFileOf(root);
    const std::string folder = FolderOf(file);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string text = RegistryFileBytes(hive, root);
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
