// Critical sections and the calling thread's identity.
#include "platform/win32_threads.h"

#include "platform/embedded/trace/call_log.h"

#include <atomic>
#include <mutex>

namespace {

// None of these calls reports a failure to its caller, so they are recorded but never made to
// fail.
std::recursive_mutex* LockOf(LPCRITICAL_SECTION section) {
    return section == nullptr ? nullptr
                              : static_cast<std::recursive_mutex*>(section->LockSemaphore);
}

} // namespace

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
    embedded::RecordCall("InitializeCriticalSection", 0);
    if (section == nullptr) {
        return;
    }
    *section = CRITICAL_SECTION{};
    section->LockSemaphore = new std::recursive_mutex;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
    embedded::RecordCall("EnterCriticalSection", 0);
    if (std::recursive_mutex* lock = LockOf(section); lock != nullptr) {
        lock->lock();
        ++section->RecursionCount;
        section->OwningThread =
            reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId()));
    }
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
    embedded::RecordCall("LeaveCriticalSection", 0);
    if (std::recursive_mutex* lock = LockOf(section); lock != nullptr) {
        if (--section->RecursionCount == 0) {
            section->OwningThread = nullptr;
        }
        lock->unlock();
    }
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
    embedded::RecordCall("DeleteCriticalSection", 0);
    if (section == nullptr) {
        return;
    }
    delete LockOf(section);
    *section = CRITICAL_SECTION{};
}

DWORD WINAPI GetCurrentThreadId() {
    // Numbered in the order threads first ask; never 0, which no thread has on the platform.
    static std::atomic<DWORD> lastId{0};
    thread_local const DWORD id = ++lastId;
    return id;
}
