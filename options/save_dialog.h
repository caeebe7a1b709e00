// The Save Attachments dialog as the Save command shows it: the options edited, confirmed and
// stored, and the target folder made sure of.
#pragma once

#include "options/save_options.h"
#include "platform/mapi_interfaces.h"

// With `showDialog`, runs the dialog on `options`; Cancel gives false, anything else stores
// the options. Then makes sure the target folder exists, telling the user when it cannot be
// had. True to go on with the save run.
bool ShowSaveDialog(SaveOptions& options, HWND ownerWindow, bool showDialog, IMAPISession* session);
