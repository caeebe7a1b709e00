// The options a command runs with: the administrator's when the machine key is there, the
// user's otherwise.
#pragma once

#include "options/save_options.h"

#include <memory>

// Loads both records and returns the one in force; it becomes the module's current record.
// A record returned earlier stays valid for as long as its holder keeps it, also after a later
// call has replaced it as the current one.
std::shared_ptr<SaveOptions> AcquireCommandOptions();

// The record the last AcquireCommandOptions returned, or null.
std::shared_ptr<SaveOptions> CurrentCommandOptions();

// Lets go of the current record, as the module does when it is unloaded.
void ReleaseCommandOptions();
