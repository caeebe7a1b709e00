// The registry calls over the root files. Every call reads its root's file afresh, so hand
// edits and other writers are seen. The changes made through a key handle are kept until the
// handle is closed and then written in one rewrite of the file, as the platform writes a
// key's changes lazily: saving twenty values costs one rewrite, not twenty.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_files.h"
#include "platform/embedded/registry/expected_types.h"
#include "platform/embedded/registry/registry_file.h"
#include "platform/win32_registry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

namespace {

using embedded::RegistryRoot;

struct OpenKey {
    RegistryRoot root;
    std::string path;
    REGSAM access;
    // Changes made through this handle wait in the root's pending hive.
    bool changed = false;
};

constexpr REGSAM WriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::map<HKEY, OpenKey>& Table() {
    static std::map<HKEY, OpenKey> table;
    return table;
}

// The root's values with the changes not yet written, while a handle that made them is open.
std::map<RegistryRoot, embedded::RegistryHive>& Pending() {
    static std::map<RegistryRoot, embedded::RegistryHive> pending;
    return pending;
}

// The root as the calls see it: its pending changes, else its file as it is now.
std::optional<embedded::RegistryHive> CurrentHive(RegistryRoot root, DWORD& error) {
    {
        std::lock_guard guard(TableLock());
        auto found = Pending().find(root);
        if (found != Pending().end()) {
            return found->second;
        }
    }
    return embedded::LoadRegistry(root, error);
}

// Keeps the changed hive until `key`, which changed it, is closed.
void KeepChanges(HKEY key, RegistryRoot root, embedded::RegistryHive hive) {
    std::lock_guard guard(TableLock());
    Pending()[root] = std::move(hive);
    auto found = Table().find(key);
    if (found != Table().end()) {
        found->second.changed = true;
    }
}

// The root and path that a handle names; a predefined root stands for itself.
bool Resolve(HKEY key, OpenKey& out) {
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        out = {key == HKEY_CURRENT_USER ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine,
               "", KEY_ALL_ACCESS, false};
        return true;
    }
    std::lock_guard guard(TableLock());
    auto found = Table().find(key);
    if (found == Table().end()) {
        return false;
    }
    out = found->second;
    return true;
}

// A sub key path joined to its parent's, separators tidied: "a\\\b\" becomes "a\b".
std::string Join(const std::string& parent, LPCSTR subKey) {
    std::string path = parent;
    std::string element;
    auto flush = [&] {
        if (!element.empty()) {
            path += (path.empty() ? "" : "\\") + element;
            element.clear();
        }
    };
    for (const char* c = subKey == nullptr ? "" : subKey; *c != '\0'; ++c) {
        if (*c == '\\') {
            flush();
        } else {
            element.push_back(*c);
        }
    }
    flush();
    return path;
}

HKEY NewKey(const OpenKey& key) {
    HKEY handle = static_cast<HKEY>(embedded::NewHandleValue());
    std::lock_guard guard(TableLock());
    Table()[handle] = key;
    return handle;
}

// Adds the key and every key above it that is missing, as the editor exports them.
bool AddKeyPath(embedded::RegistryHive& hive, const std::string& path) {
    bool added = false;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t slash = path.find('\\', at);
        const std::string prefix = path.substr(0, slash);
        if (hive.Find(prefix) == nullptr) {
            hive.keys.push_back({prefix, {}, {}, {}});
            added = true;
        }
        if (slash == std::string::npos) {
            break;
        }
        at = slash + 1;
    }
    return added;
}

// What the value-reading calls share: the fault point, the handle, the arguments, the right
// to read, and the root's values as its file holds them now.
LONG ReadableHive(HKEY key, const char* operation, bool argumentsValid, OpenKey& open,
                  std::optional<embedded::RegistryHive>& hive) {
    HRESULT hr = embedded::EnterOperation(operation);
    if (FAILED(hr)) {
        return static_cast<LONG>(embedded::Win32CodeOf(hr));
    }
    if (!Resolve(key, open)) {
        return ERROR_INVALID_HANDLE;
    }
    if (!argumentsValid) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((open.access & KEY_QUERY_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    DWORD error = ERROR_SUCCESS;
    hive = CurrentHive(open.root, error);
    return hive ? ERROR_SUCCESS : static_cast<LONG>(error);
}

// A value's type and bytes into the caller's buffers; with no data buffer only the size.
LONG CopyValue(const embedded::RegistryValue& value, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (type != nullptr) {
        *type = value.type;
    }
    const auto needed = static_cast<DWORD>(value.data.size());
    if (data == nullptr) {
        if (dataSize != nullptr) {
            *dataSize = needed;
        }
        return ERROR_SUCCESS;
    }
    if (*dataSize < needed) {
        *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value.data.data(), needed);
    *dataSize = needed;
    return ERROR_SUCCESS;
}

} // namespace

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result) {
    (void)options;
    HRESULT hr = embedded::EnterOperation("RegOpenKeyExA", access);
    if (FAILED(hr)) {
        return static_cast<LONG>(embedded::Win32CodeOf(hr));
    }
    if (result == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    OpenKey parent{};
    if (!Resolve(key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto hive = CurrentHive(parent.root, error);
    if (!hive) {
        return static_cast<LONG>(error);
    }
    const std::string path = Join(parent.path, subKey);
    if (!hive->Has(path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    // Write access is the right to replace the root's file.
    if ((access & WriteRights) != 0 && !embedded::CanStoreRegistry(parent.root)) {
        return ERROR_ACCESS_DENIED;
    }
    *result = NewKey({parent.root, path, access, false});
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY result,
                            LPDWORD disposition) {
    (void)reserved;
    (void)keyClass;
    (void)security;
    HRESULT hr = embedded::EnterOperation("RegCreateKeyExA", access);
    if (FAILED(hr)) {
        return static_cast<LONG>(embedded::Win32CodeOf(hr));
    }
    if (result == nullptr || (options & REG_OPTION_VOLATILE) != 0) {
        // Volatile keys would have to vanish at the next start; the files cannot express that.
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    OpenKey parent{};
    if (!Resolve(key, parent)) {
        return ERROR_INVALID_HANDLE;
    }
    DWORD error = ERROR_SUCCESS;
    auto hive = CurrentHive(parent.root, error);
    if (!hive) {
        return static_cast<LONG>(error);
    }
    const std::string path = Join(parent.path, subKey);
    const bool existed = hive->Has(path);
    if (!existed || (access & WriteRights) != 0) {
        if (!embedded::CanStoreRegistry(parent.root)) {
            return ERROR_ACCESS_DENIED;
        }
    }
    if (disposition != nullptr) {
        *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    }
    *result = NewKey({parent.root, path, access, false});
    // A new key is written with the values put under it, when its handle is closed.
    if (!existed && AddKeyPath(*hive, path)) {
        KeepChanges(*result, parent.root, std::move(*hive));
    }
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD dataSize) {
    (void)reserved;
    OpenKey open{};
    std::optional<embedded::RegistryHive> hive;
    if (LONG status = ReadableHive(key, "RegQueryValueExA",
                                   !(data != nullptr && dataSize == nullptr), open, hive);
        status != ERROR_SUCCESS) {
        return status;
    }
    const embedded::RegistryKey* found = hive->Find(open.path);
    const std::string name = valueName == nullptr ? "" : valueName;
    const embedded::RegistryValue* value = nullptr;
    for (std::size_t i = 0; found != nullptr && i < found->values.size(); ++i) {
        if (embedded::SameRegistryName(found->values[i].name, name)) {
            value = &found->values[i];
        }
    }
    if (value == nullptr || !embedded::HasExpectedType(open.root, open.path, *value)) {
        return ERROR_FILE_NOT_FOUND;
    }
    return CopyValue(*value, type, data, dataSize);
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize) {
    (void)reserved;
    HRESULT hr = embedded::EnterOperation("RegSetValueExA", type);
    if (FAILED(hr)) {
        return static_cast<LONG>(embedded::Win32CodeOf(hr));
    }
    OpenKey open{};
    if (!Resolve(key, open)) {
        return ERROR_INVALID_HANDLE;
    }
    if (data == nullptr && dataSize != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    if ((open.access & KEY_SET_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    DWORD error = ERROR_SUCCESS;
    auto hive = CurrentHive(open.root, error);
    if (!hive) {
        return static_cast<LONG>(error);
    }
    embedded::RegistryValue value;
    value.name = valueName == nullptr ? "" : valueName;
    value.type = type;
    value.data.assign(data, data + dataSize);
    // A text is kept up to its terminator, which it always has once stored.
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        auto end = std::find(value.data.begin(), value.data.end(), BYTE{0});
        value.data.erase(end, value.data.end());
        value.data.push_back(0);
    }
    // A key the file has only as the parent of another gets a section; the file's other
    // sections stay as they are.
    if (!hive->Has(open.path)) {
        AddKeyPath(*hive, open.path);
    } else if (hive->Find(open.path) == nullptr) {
        hive->keys.push_back({open.path, {}, {}, {}});
    }
    embedded::RegistryKey* target = hive->Find(open.path);
    bool replaced = false;
    for (embedded::RegistryValue& existing : target->values) {
        if (embedded::SameRegistryName(existing.name, value.name)) {
            existing.type = value.type;
            existing.data = value.data;
            existing.source.clear();
            replaced = true;
        }
    }
    if (!replaced) {
        target->values.push_back(value);
    }
    KeepChanges(key, open.root, std::move(*hive));
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
    HRESULT hr = embedded::EnterOperation("RegDeleteValueA");
    if (FAILED(hr)) {
        return static_cast<LONG>(embedded::Win32CodeOf(hr));
    }
    OpenKey open{};
    if (!Resolve(key, open)) {
        return ERROR_INVALID_HANDLE;
    }
    if ((open.access & KEY_SET_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    DWORD error = ERROR_SUCCESS;
    auto hive = CurrentHive(open.root, error);
    if (!hive) {
        return static_cast<LONG>(error);
    }
    embedded::RegistryKey* target = hive->Find(open.path);
    const std::string name = valueName == nullptr ? "" : valueName;
    const std::size_t before = target == nullptr ? 0 : target->values.size();
    if (target != nullptr) {
        std::erase_if(target->values, [&](const embedded::RegistryValue& value) {
            return embedded::SameRegistryName(value.name, name);
        });
    }
    if (target == nullptr || target->values.size() == before) {
        return ERROR_FILE_NOT_FOUND;
    }
    KeepChanges(key, open.root, std::move(*hive));
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize,
                          LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    (void)reserved;
    OpenKey open{};
    std::optional<embedded::RegistryHive> hive;
    const bool argumentsValid = valueName != nullptr && valueNameSize != nullptr &&
                                !(data != nullptr && dataSize == nullptr);
    if (LONG status = ReadableHive(key, "RegEnumValueA", argumentsValid, open, hive);
        status != ERROR_SUCCESS) {
        return status;
    }
    const embedded::RegistryKey* found = hive->Find(open.path);
    if (found == nullptr || index >= found->values.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    const embedded::RegistryValue& value = found->values[index];
    // The name's room counts its terminator; the answer does not.
    if (*valueNameSize <= value.name.size()) {
        *valueNameSize = static_cast<DWORD>(value.name.size() + 1);
        return ERROR_MORE_DATA;
    }
    std::memcpy(valueName, value.name.c_str(), value.name.size() + 1);
    *valueNameSize = static_cast<DWORD>(value.name.size());
    return CopyValue(value, type, data, dataSize);
}

LONG WINAPI RegCloseKey(HKEY key) {
    HRESULT hr = embedded::EnterOperation("RegCloseKey");
    if (FAILED(hr)) {
        return static_cast<LONG>(embedded::Win32CodeOf(hr));
    }
    if (key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE) {
        return ERROR_SUCCESS;
    }
    std::optional<embedded::RegistryHive> toStore;
    RegistryRoot root{};
    {
        std::lock_guard guard(TableLock());
        auto found = Table().find(key);
        if (found == Table().end()) {
            return ERROR_INVALID_HANDLE;
        }
        const OpenKey closed = found->second;
        Table().erase(found);
        // The last handle that changed the root writes the changes of all of them.
        const bool othersChanged =
            std::any_of(Table().begin(), Table().end(), [&](const auto& entry) {
                return entry.second.changed && entry.second.root == closed.root;
            });
        auto pending = Pending().find(closed.root);
        if (closed.changed && !othersChanged && pending != Pending().end()) {
            toStore = std::move(pending->second);
            root = closed.root;
            Pending().erase(pending);
        }
    }
    // A change that cannot be written is reported here, where it reaches the file.
    return toStore ? static_cast<LONG>(embedded::StoreRegistry(root, *toStore)) : ERROR_SUCCESS;
}
