// Which fact of a message names its subfolder below the target folder.
#pragma once

#include "engine/message_context.h"

// The subfolder text that the run's subfolderMode selects, or null for none.
LPCSTR ChooseSubfolder(const MessageContext& context);
