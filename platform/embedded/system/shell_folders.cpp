// The user's documents folder as the shell names it, and the paths of item id lists.
#include "platform/shell_folders.h"

#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/system/item_id_list.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

namespace {

std::string Home() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "";
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" in user-dirs.dirs, $HOME expanded.
std::optional<std::string> DocumentsFromUserDirs() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string file =
        (config != nullptr && *config != '\0' ? std::string(config) : Home() + "/.config") +
        "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) {
            continue;
        }
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            value = Home() + value.substr(5);
        }
        if (!value.empty()) {
            return value;
        }
    }
    return std::nullopt;
}

std::string DocumentsFolder() {
    const char* chosen = std::getenv("XDG_DOCUMENTS_DIR");
    if (chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    if (auto fromFile = DocumentsFromUserDirs()) {
        return *fromFile;
    }
    return Home() + "/Documents";
}

} // namespace

HRESULT WINAPI SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list) {
    (void)owner;
    HRESULT hr =
        embedded::EnterOperation("SHGetSpecialFolderLocation", static_cast<unsigned>(folder));
    if (list != nullptr) {
        *list = nullptr;
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (list == nullptr) {
        return E_INVALIDARG;
    }
    if (folder != CSIDL_PERSONAL) {
        return E_INVALIDARG;
    }
    const auto windowsPath = embedded::ToWindowsPath(DocumentsFolder());
    if (!windowsPath) {
        return E_FAIL;
    }
    *list = embedded::MakeItemIdList(*windowsPath);
    if (*list == nullptr) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
    HRESULT hr = embedded::EnterOperation("SHGetPathFromIDListA");
    if (FAILED(hr) || list == nullptr || path == nullptr) {
        return FALSE;
    }
    const auto windows = embedded::WindowsPathOfItemIdList(list);
    if (!windows || windows->size() >= 260) {
        path[0] = '\0';
        return FALSE;
    }
    std::memcpy(path, windows->c_str(), windows->size() + 1);
    return TRUE;
}

void WINAPI CoTaskMemFree(LPVOID memory) {
    (void)embedded::EnterOperation("CoTaskMemFree");
    std::free(memory);
}
