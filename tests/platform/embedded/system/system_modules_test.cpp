#include "platform/embedded/trace/fault_injection.h"
#include "platform/ole_storage.h"
#include "platform/win32_modules.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemModules, Ole32AnswersWithStgOpenStorageExAndNothingElse) {
    embedded::ResetPlatformTrace();
    struct Case {
        const char* name;
        bool found;
    };
    const Case modules[] = {
        {"ole32.dll", true}, {"OLE32.DLL", true}, {"Ole32", true}, {"mapi32.dll", false}};
    for (const Case& c : modules) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        HMODULE module = GetModuleHandleA(c.name);
        EXPECT_EQ(module != nullptr, c.found);
        EXPECT_EQ(GetLastError(), c.found ? 0u : ERROR_MOD_NOT_FOUND);
    }
    HMODULE ole32 = GetModuleHandleA("ole32.dll");
    EXPECT_EQ(reinterpret_cast<void (*)()>(GetProcAddress(ole32, "StgOpenStorageEx")),
              reinterpret_cast<void (*)()>(&StgOpenStorageEx));
    SetLastError(0);
    EXPECT_EQ(GetProcAddress(ole32, "StgOpenStorageExW"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);

    embedded::FailNthCall("GetModuleHandleA", 1, HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
    embedded::FailNthCall("GetProcAddress", 1, HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleA("ole32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(ole32, "StgOpenStorageEx"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    embedded::ResetPlatformTrace();
}

} // namespace
