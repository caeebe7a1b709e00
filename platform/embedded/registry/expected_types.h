// The types a key's values are meant to have, as the host that knows them says: a value
// stored with another type (a REG_DWORD where a text is meant, after a hand edit) reads as
// missing, so that the reader's default applies, and a warning says so, once per value.
#pragma once

#include "platform/embedded/registry/registry_file.h"

#include <functional>
#include <string>
#include <vector>

namespace embedded {

struct ExpectedValueType {
    std::string name;
    DWORD type;
};

// For the key at `keyPath` under either root; `warn` gets each warning line.
void ExpectValueTypes(const std::string& keyPath, std::vector<ExpectedValueType> types,
                      std::function<void(const std::string&)> warn);
void ForgetExpectedValueTypes();

// Whether `value` of the key at `keyPath` has the type expected of it (true when nothing is
// expected); the first time it has not, the warning is given.
bool HasExpectedType(RegistryRoot root, const std::string& keyPath, const RegistryValue& value);

} // namespace embedded
