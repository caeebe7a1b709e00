#include "platform/embedded/trace/fault_injection.h"
#include "platform/mapi_functions.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

class MapiMemoryTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    void TearDown() override { embedded::ResetPlatformTrace(); }
};

// Freeing the head frees every buffer chained to it, also those chained to a chained buffer;
// LeakSanitizer fails the run if one stays behind.
TEST_F(MapiMemoryTest, FreeingTheHeadFreesItsChain) {
    void* head = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(64, &head), S_OK);
    void* first = nullptr;
    void* second = nullptr;
    void* third = nullptr;
    ASSERT_EQ(MAPIAllocateMore(100, head, &first), S_OK);
    ASSERT_EQ(MAPIAllocateMore(0, head, &second), S_OK);
    ASSERT_EQ(MAPIAllocateMore(33, first, &third), S_OK);
    std::memset(head, 1, 64);
    std::memset(first, 2, 100);
    std::memset(third, 3, 33);
    EXPECT_NE(second, nullptr);
    // A chained buffer is not freed on its own; its head frees it.
    EXPECT_EQ(MAPIFreeBuffer(first), 0u);
    std::memset(first, 4, 100);
    EXPECT_EQ(MAPIFreeBuffer(head), 0u);
    EXPECT_EQ(MAPIFreeBuffer(nullptr), 0u);
}

TEST_F(MapiMemoryTest, InjectedAllocationFailureLeavesNoBuffer) {
    embedded::FailNthCall("MAPIAllocateBuffer", 1, MAPI_E_NOT_ENOUGH_MEMORY);
    void* buffer = reinterpret_cast<void*>(1);
    EXPECT_EQ(MAPIAllocateBuffer(8, &buffer), MAPI_E_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(MapiMemoryTest, DefaultMallocAllocates) {
    LPMALLOC allocator = MAPIGetDefaultMalloc();
    ASSERT_NE(allocator, nullptr);
    void* block = allocator->Alloc(16);
    ASSERT_NE(block, nullptr);
    allocator->Free(block);
    void* asked = nullptr;
    EXPECT_EQ(allocator->QueryInterface(IID_IMalloc, &asked), S_OK);
    EXPECT_EQ(asked, allocator);
    allocator->Release();
}

TEST_F(MapiMemoryTest, StringSearch) {
    static const char path[] = "C:\\Mail\\a.b\\report.doc";
    struct Case {
        const char* name;
        LPSTR found;
        const char* expected; // null when nothing is found
    };
    const Case cases[] = {
        {"first backslash", SzFindCh(path, '\\'), path + 2},
        {"last backslash", SzFindLastCh(path, '\\'), path + 11},
        {"absent character", SzFindCh(path, '/'), nullptr},
        {"absent last character", SzFindLastCh(path, '|'), nullptr},
        {"substring", SzFindSz(path, ".doc"), path + 18},
        {"absent substring", SzFindSz(path, ".pdf"), nullptr},
        {"case matters", SzFindSz(path, "REPORT"), nullptr},
        {"last dot", SzFindLastCh(path, '.'), path + 18},
        {"null text", SzFindCh(nullptr, 'a'), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.found, c.expected);
    }
}

} // namespace
