// The module's own resources: every text it shows, its dialogs and its toolbar image.
#pragma once

#include "platform/module_resources.h"

const ModuleResources& FilvexResources();
