#include "cli/stored_options.h"

#include "options/options_persistence.h"
#include "platform/embedded/registry/expected_types.h"
#include "options/registry_names.h"
#include "platform/win32_registry.h"

#include <string>
#include <vector>

namespace cli {
namespace {

constexpr DWORD kMostNameLength = 256;
constexpr DWORD kMostDataLength = 4096;

std::string ValueText(DWORD type, const std::vector<BYTE>& data, DWORD size) {
    if (type == REG_DWORD && size == 4) {
        DWORD value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                      static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
        return std::to_string(value);
    }
    if (type == REG_SZ) {
        std::string text(reinterpret_cast<const char*>(data.data()), size);
        while (!text.empty() && text.back() == '\0') {
            text.pop_back();
        }
        return "\"" + text + "\"";
    }
    return "(" + std::to_string(size) + " bytes of type " + std::to_string(type) + ")";
}

// The key in force: the administrator's when it exists, else the user's; null when neither.
HKEY OpenKeyInForce() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, kOptionsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            return key;
        }
    }
    return nullptr;
}

std::optional<std::vector<BYTE>> StoredValue(const char* name, DWORD wanted) {
    HKEY key = OpenKeyInForce();
    if (key == nullptr) {
        return std::nullopt;
    }
    std::vector<BYTE> data(kMostDataLength);
    DWORD size = kMostDataLength;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != wanted) {
        return std::nullopt;
    }
    data.resize(size);
    return data;
}

} // namespace

std::optional<unsigned long> StoredNumber(const char* name) {
    auto data = StoredValue(name, REG_DWORD);
    if (!data || data->size() != 4) {
        return std::nullopt;
    }
    return static_cast<unsigned long>((*data)[0]) | static_cast<unsigned long>((*data)[1]) << 8 |
           static_cast<unsigned long>((*data)[2]) << 16 |
           static_cast<unsigned long>((*data)[3]) << 24;
}

std::optional<std::string> StoredText(const char* name) {
    auto data = StoredValue(name, REG_SZ);
    if (!data) {
        return std::nullopt;
    }
    std::string text(data->begin(), data->end());
    return text.substr(0, text.find('\0'));
}

StoredTypeCheck::StoredTypeCheck(std::function<void(const std::string&)> warn) {
    std::vector<embedded::ExpectedValueType> expected;
    for (const StoredValueType& type : StoredValueTypes()) {
        expected.push_back({type.name, type.type});
    }
    embedded::ExpectValueTypes(kOptionsKeyPath, std::move(expected), std::move(warn));
}

StoredTypeCheck::~StoredTypeCheck() {
    embedded::ForgetExpectedValueTypes();
}

RunSettings StoredRunSettings() {
    auto flag = [](const char* name) { return StoredNumber(name).value_or(0) != 0; };
    RunSettings settings;
    settings.remove = flag(registry_names::kRemoveAttachments);
    settings.zip = flag(registry_names::kZipSaved);
    settings.links = settings.remove && flag(registry_names::kLeaveLinks) && !settings.zip;
    settings.overwrite = flag(registry_names::kOverwriteExisting);
    settings.unzip = flag(registry_names::kUnzipSaved);
    settings.command = StoredText(registry_names::kCommandLine).value_or("");
    settings.filter = StoredText(registry_names::kNameFilter).value_or("");
    return settings;
}

std::string StoredTargetFolder() {
    return StoredText(registry_names::kTargetFolder).value_or("");
}

int PrintStoredOptions(std::ostream& out) {
    struct Root {
        HKEY key;
        const char* name;
    };
    const Root roots[] = {{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE (machine-wide, set by an "
                                               "administrator)"},
                          {HKEY_CURRENT_USER, "HKEY_CURRENT_USER (per user)"}};
    for (const Root& root : roots) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root.key, kOptionsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            continue;
        }
        out << "# " << root.name << "\\" << kOptionsKeyPath << "\n";
        for (DWORD index = 0;; ++index) {
            char name[kMostNameLength];
            DWORD nameSize = sizeof(name);
            DWORD type = 0;
            std::vector<BYTE> data(kMostDataLength);
            DWORD dataSize = kMostDataLength;
            LONG status =
                RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data.data(), &dataSize);
            if (status == ERROR_NO_MORE_ITEMS) {
                break;
            }
            if (status != ERROR_SUCCESS) {
                out << "# value " << index << " cannot be read (error " << status << ")\n";
                continue;
            }
            out << name << "=" << ValueText(type, data, dataSize) << "\n";
        }
        RegCloseKey(key);
        return 0;
    }
    out << "# no options stored: the defaults are in force\n";
    return 0;
}

} // namespace cli
