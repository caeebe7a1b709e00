// The module's dialog templates.
#pragma once

#include "platform/module_resources.h"

std::span<const DialogTemplate> FilvexDialogs();
