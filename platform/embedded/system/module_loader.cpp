#include "platform/embedded/system/module_loader.h"

#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

#include <cstring>
#include <map>

namespace embedded {
namespace {

struct Modules {
    std::map<ULONG_PTR, const ModuleResources*> loaded;
    // Instances look like the load addresses of libraries: distinct and never reused.
    ULONG_PTR nextAddress = 0x10000000;
};

Modules& LoadedModules() {
    static Modules modules;
    return modules;
}

} // namespace

HINSTANCE LoadModule(const ModuleResources& resources) {
    Modules& modules = LoadedModules();
    ULONG_PTR address = modules.nextAddress;
    modules.nextAddress += 0x00100000;
    modules.loaded[address] = &resources;
    return reinterpret_cast<HINSTANCE>(address);
}

void UnloadModule(HINSTANCE instance) {
    LoadedModules().loaded.erase(reinterpret_cast<ULONG_PTR>(instance));
}

const ModuleResources* ResourcesOf(HINSTANCE instance) {
    auto& loaded = LoadedModules().loaded;
    auto found = loaded.find(reinterpret_cast<ULONG_PTR>(instance));
    return found == loaded.end() ? nullptr : found->second;
}

} // namespace embedded

int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity) {
    if (!embedded::EnterWin32Operation("LoadStringA", id)) {
        return 0;
    }
    const ModuleResources* resources = embedded::ResourcesOf(instance);
    if (resources == nullptr) {
        SetLastError(embedded::kErrorInvalidHandle);
        return 0;
    }
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const StringResource& entry : resources->strings) {
        if (entry.id != id) {
            continue;
        }
        // Capacity 0 asks for a pointer to the resource itself, which stays read-only.
        if (capacity == 0) {
            *reinterpret_cast<LPCSTR*>(buffer) = entry.text;
            return static_cast<int>(std::strlen(entry.text));
        }
        return embedded::CopyText(entry.text, buffer, capacity);
    }
    if (capacity > 0) {
        buffer[0] = '\0';
    }
    SetLastError(embedded::kErrorResourceNameNotFound);
    return 0;
}
