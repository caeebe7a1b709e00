#include "platform/embedded/trace/call_log.h"

#include <mutex>

namespace embedded {
namespace {

std::mutex& LogLock() {
    static std::mutex lock;
    return lock;
}

std::vector<CallRecord>& Log() {
    static std::vector<CallRecord> log;
    return log;
}

bool& Enabled() {
    static bool enabled = true;
    return enabled;
}

} // namespace

void RecordCall(const char* operation, std::uint64_t flags) {
    std::lock_guard guard(LogLock());
    if (Enabled() && Log().size() < kCallLogCapacity) {
        Log().push_back({operation, flags});
    }
}

void SetCallLogEnabled(bool enabled) {
    std::lock_guard guard(LogLock());
    Enabled() = enabled;
}

std::vector<CallRecord> CallLog() {
    std::lock_guard guard(LogLock());
    return Log();
}

std::vector<CallRecord> CallsOf(const std::string& operation) {
    std::lock_guard guard(LogLock());
    std::vector<CallRecord> found;
    for (const CallRecord& record : Log()) {
        if (record.operation == operation) {
            found.push_back(record);
        }
    }
    return found;
}

void ClearCallLog() {
    std::lock_guard guard(LogLock());
    Log().clear();
}

} // namespace embedded
