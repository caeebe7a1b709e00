// The About box: the product's name and version, shown by the About command and from the Save
// Attachments dialog.
#pragma once

#include "platform/win_types.h"

inline constexpr char kProductVersion[] = "4.3.3.128";

// Shows the box owned by `ownerWindow`, with only an OK button.
void ShowAboutBox(HWND ownerWindow);
