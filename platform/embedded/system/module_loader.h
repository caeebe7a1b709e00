// Loading the module: its resources become readable through the instance handle that the host
// hands to the module, as the system's loader does for a library's resource section.
#pragma once

#include "platform/module_resources.h"

namespace embedded {

// The resources must outlive the instance.
HINSTANCE LoadModule(const ModuleResources& resources);
void UnloadModule(HINSTANCE instance);
// The resources of a loaded instance, or null.
const ModuleResources* ResourcesOf(HINSTANCE instance);

} // namespace embedded
