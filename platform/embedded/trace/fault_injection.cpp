#include "platform/embedded/trace/fault_injection.h"

#include "platform/embedded/trace/call_log.h"

#include <map>
#include <mutex>
#include <vector>

namespace embedded {
namespace {

struct Fault {
    int callsLeft; // counts down; fails when it reaches 1; 0 means every call
    HRESULT result;
};

std::mutex& FaultLock() {
    static std::mutex lock;
    return lock;
}

std::multimap<std::string, Fault>& Faults() {
    static std::multimap<std::string, Fault> faults;
    return faults;
}

} // namespace

void FailNthCall(const std::string& operation, int n, HRESULT result) {
    std::lock_guard guard(FaultLock());
    Faults().insert({operation, Fault{n < 1 ? 1 : n, result}});
}

void FailEveryCall(const std::string& operation, HRESULT result) {
    std::lock_guard guard(FaultLock());
    Faults().insert({operation, Fault{0, result}});
}

void ClearFaults() {
    std::lock_guard guard(FaultLock());
    Faults().clear();
}

HRESULT EnterOperation(const char* operation, std::uint64_t flags) {
    RecordCall(operation, flags);
    std::lock_guard guard(FaultLock());
    HRESULT answer = S_OK;
    auto [first, last] = Faults().equal_range(operation);
    for (auto it = first; it != last;) {
        Fault& fault = it->second;
        if (fault.callsLeft == 0) {
            answer = fault.result;
            ++it;
        } else if (fault.callsLeft == 1) {
            answer = fault.result;
            it = Faults().erase(it);
        } else {
            --fault.callsLeft;
            ++it;
        }
    }
    return answer;
}

DWORD Win32CodeOf(HRESULT result) {
    const auto bits = static_cast<std::uint32_t>(result);
    if ((bits & 0xFFFF0000u) == 0x80070000u) {
        return bits & 0xFFFFu;
    }
    return ERROR_ACCESS_DENIED;
}

void ResetPlatformTrace() {
    ClearFaults();
    ClearCallLog();
}

} // namespace embedded
