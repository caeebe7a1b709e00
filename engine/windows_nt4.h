// Windows NT 4.0, whose command lines break at blanks in a saved file's path.
#pragma once

// True on NT 4.0 exactly; false on every other system and when the version cannot be read.
bool IsWindowsNT4();
