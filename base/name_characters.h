// Which characters a file name may hold, and how a name from a message is made into one.
#pragma once

#include "platform/win_types.h"

// False for control values and / \ : ? * | > < ; and the double quotation mark; every other
// byte, including every byte from 128 up, is legal.
bool IsLegalNameChar(char c);

// True when every character is legal; an empty text is legal, a null one is not.
bool IsLegalName(LPCSTR text);

// Replaces illegal characters by "-", cuts trailing blanks and dots and returns where the name
// begins after its leading blanks, inside the same text. Null for a null text.
LPSTR CleanName(LPSTR text);
