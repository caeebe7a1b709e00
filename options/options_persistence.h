// The options in the registry: one key under the record's root, every failure silent.
#pragma once

#include "options/registry_names.h"
#include "options/save_options.h"
#include "platform/win32_registry.h"

#include <string>
#include <vector>

// Fills the record from its root's options key and sets optionsKeyFound; a key that cannot be
// opened with full access leaves the record as it was. Always S_OK.
HRESULT LoadFromRegistry(SaveOptions& options);

// The four separators from the open key; one that is not a legal name puts all four back to
// their defaults. Always S_OK.
HRESULT ReadSeparators(SaveOptions& options, HKEY key);

// One flag of the record from its root's options key, by the rule every flag is read with: a
// value present makes the field 1 or 0, a missing value or key leaves it. Always S_OK.
HRESULT ReadFlagFromRegistry(SaveOptions& options, std::int32_t SaveOptions::*field);

// Writes the record's user-settable values under its root; what cannot be written is lost
// without a word. Always S_OK.
HRESULT SaveToRegistry(const SaveOptions& options);

// A value LoadFromRegistry reads, and the type it is meant to have.
struct StoredValueType {
    std::string name;
    DWORD type;
};

// Every value LoadFromRegistry reads, for a host that checks what a hand-kept registry holds.
std::vector<StoredValueType> StoredValueTypes();
