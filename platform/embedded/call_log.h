// Which platform operations ran, with which flags, so that tests can check how the module
// drives the platform (open modes, save flags) without hooks in the module itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace embedded {

struct CallRecord {
    std::string operation;
    std::uint64_t flags;
};

void RecordCall(const char* operation, std::uint64_t flags);
std::vector<CallRecord> CallLog();
// The records of one operation only, in call order.
std::vector<CallRecord> CallsOf(const std::string& operation);
void ClearCallLog();

} // namespace embedded
