// `filvex options`: the options in force, as the registry holds them, and the key they come
// from: the administrator's machine-wide key when it exists, else the user's.
#pragma once

#include <ostream>

namespace cli {

// Prints one "NAME=value" line per stored value, after a line naming the key. 0, or 1 when
// the registry cannot be read.
int PrintStoredOptions(std::ostream& out);

} // namespace cli
