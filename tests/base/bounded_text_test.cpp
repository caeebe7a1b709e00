#include "base/bounded_text.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

TEST(BoundedCopy, FitsExactlyOrCutsToCapacityMinusOne) {
    char buffer[6];
    EXPECT_EQ(BoundedCopy(buffer, 6, "abcde"), S_OK);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(BoundedCopy(buffer, 5, "abcde"), STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer, "abcd");
}

TEST(BoundedCopy, RefusesZeroAndHugeCapacityWithoutWriting) {
    char buffer[4] = "xyz";
    EXPECT_EQ(BoundedCopy(buffer, 0, "a"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(BoundedFormat(buffer, STRSAFE_MAX_CCH + 1, "%s", "a"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_STREQ(buffer, "xyz");
}

TEST(BoundedCopyN, SourceCountIsNotACut) {
    char buffer[10];
    EXPECT_EQ(BoundedCopyN(buffer, 10, "abcdef", 3), S_OK);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(BoundedCopyN(buffer, 3, "abcdef", 3), STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer, "ab");
}

TEST(BoundedAppend, UnterminatedDestinationIsRefusedAndUnchanged) {
    char buffer[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(BoundedAppend(buffer, 4, "x"), STRSAFE_E_INVALID_PARAMETER);
    EXPECT_EQ(std::memcmp(buffer, "abcd", 4), 0);
}

TEST(BoundedAppend, FullBufferTakesEmptyTextButCutsOther) {
    char buffer[4] = "abc";
    EXPECT_EQ(BoundedAppend(buffer, 4, ""), S_OK);
    EXPECT_EQ(BoundedAppend(buffer, 4, "x"), STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_STREQ(buffer, "abc");
}

TEST(BoundedFormat, LongOutputIsCutAtCapacityMinusOne) {
    std::string left(2048, 'l'), right(2046, 'r'); // "%s -> %s\r\n" needs 4100 characters
    static char buffer[4096];
    EXPECT_EQ(BoundedFormat(buffer, sizeof buffer, "%s -> %s\r\n", left.c_str(), right.c_str()),
              STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::strlen(buffer), 4095u);
    EXPECT_EQ(std::string(buffer, 2052), left + " -> ");
}

TEST(BoundedFormat, ExactFitIsNoCut) {
    char buffer[4];
    EXPECT_EQ(BoundedFormat(buffer, 4, "%d", 123), S_OK);
    EXPECT_STREQ(buffer, "123");
}
