// Which platform operations ran, with which flags, so that tests can check how the module
// drives the platform (open modes, save flags) without hooks in the module itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace embedded {

struct CallRecord {
    std::string operation;
    std::uint64_t flags;
};

void RecordCall(const char* operation, std::uint64_t flags);
// A host that runs for long (the command-line host) turns the log off; tests keep it on. Even
// on, it keeps no more than a bounded number of records, so a long run cannot grow it without
// end.
void SetCallLogEnabled(bool enabled);
constexpr std::size_t kCallLogCapacity = 1u << 20;
std::vector<CallRecord> CallLog();
// The records of one operation only, in call order.
std::vector<CallRecord> CallsOf(const std::string& operation);
void ClearCallLog();

} // namespace embedded
