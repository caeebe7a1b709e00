// The one line of text in which a rule keeps its custom action's options:
// "v: 1|c: saveatt|b: ndr|p: C:\Mail\|f: 2|r: |e: |". Values travel without escaping.
#pragma once

#include "options/save_options.h"

#include <cstddef>

// The writer's work buffer; the fields' capacities keep the text well below it.
constexpr std::size_t kActionOptionsCapacity = 1024;
// The command name every string this module writes carries.
inline constexpr char kSaveCommandName[] = "saveatt";
// What ends each field; a value holding it cannot be read back as it was written.
constexpr char kActionFieldEnd = '|';

// Writes the string of the record's options into `buffer` (kActionOptionsCapacity bytes).
void FormatActionOptions(const SaveOptions& options, LPCSTR commandName, LPSTR buffer);

// Reads a string into a fresh record, then the summary-properties flag from the record's own
// options key. An absent or empty text changes nothing; a malformed one never fails: what
// cannot be read keeps its default.
void ParseActionOptions(SaveOptions& options, LPCSTR text);

// Whether `value` can travel in the string and read back unchanged.
bool FitsActionOptions(LPCSTR value);
