// Where a property set lives in a compound file: the root stream named after its format id,
// so that every program finds the set of a given format under the same name.
#pragma once

#include "platform/com_base.h"
#include "platform/embedded/storage/compound_file.h"

#include <optional>
#include <string>

namespace embedded {

// The sixteen bytes of a GUID as files store them (the first three fields little-endian).
ClassId ClassIdOf(REFGUID guid);

// "\005SummaryInformation" and the other well-known names, else "\005" and 26 letters and
// digits spelled from the format id's bits. Nothing for the user-defined properties, which
// live as a second section inside another set's stream.
std::optional<std::string> PropertySetStreamName(REFGUID formatId);

} // namespace embedded
