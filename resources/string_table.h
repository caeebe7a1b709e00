// The module's string table.
#pragma once

#include "platform/module_resources.h"

std::span<const StringResource> FilvexStrings();
