// Makes a chosen call of a named platform operation fail, so that every failure path of the
// module can be driven from a test. Each embedded operation starts with EnterOperation.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <string>

namespace embedded {

// The n-th call (1 = the next one) of `operation` from now on fails with `result`.
void FailNthCall(const std::string& operation, int n, HRESULT result);
// Every call of `operation` from now on fails with `result`.
void FailEveryCall(const std::string& operation, HRESULT result);
void ClearFaults();

// Records the call and answers the failure chosen for it, else S_OK.
HRESULT EnterOperation(const char* operation, std::uint64_t flags = 0);

// The system error code that a Win32 call reports for an injected result: the code inside a
// HRESULT_FROM_WIN32 value, else ERROR_ACCESS_DENIED.
DWORD Win32CodeOf(HRESULT result);

// Clears faults and the call log: what a test fixture does first.
void ResetPlatformTrace();

} // namespace embedded
