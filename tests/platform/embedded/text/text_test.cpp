#include "platform/embedded/trace/fault_injection.h"
#include "platform/win32_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class TextTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    void TearDown() override { embedded::ResetPlatformTrace(); }
};

std::vector<std::string> Characters(const char* text) {
    std::vector<std::string> out;
    for (const char* p = text; *p != '\0';) {
        const char* next = CharNextA(p);
        out.emplace_back(p, next);
        p = next;
    }
    return out;
}

TEST_F(TextTest, CharNextStepsWholeCharactersAndStopsAtTheEnd) {
    const char* text = "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x99\x82";
    EXPECT_EQ(Characters(text),
              (std::vector<std::string>{"Z", "o", "\xC3\xAB", " ", "\xE6\x97\xA5", "\xE6\x9C\xAC",
                                        " ", "\xF0\x9F\x99\x82"}));
    const char* end = text + std::strlen(text);
    EXPECT_EQ(CharNextA(end), end);
    EXPECT_EQ(CharPrevA(text, end), end - 4);
    EXPECT_EQ(CharPrevA(text, text), text);

    // A stray continuation byte, a cut sequence and an over-long form each count as one
    // character per byte; a sequence cut by the terminator never steps past it.
    EXPECT_EQ(Characters("a\x80"
                         "b"),
              (std::vector<std::string>{"a", "\x80", "b"}));
    EXPECT_EQ(Characters("\xE6\x97"), (std::vector<std::string>{"\xE6", "\x97"}));
    EXPECT_EQ(Characters("\xC0\xAF"), (std::vector<std::string>{"\xC0", "\xAF"}));
}

TEST_F(TextTest, MultiByteToWideCharSizesAndConverts) {
    const char* text = "\xC3\xAB\xF0\x9F\x99\x82"; // ë, then a character outside the BMP
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, 2, nullptr, 0), 1);

    WCHAR wide[4] = {};
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 4), 4);
    EXPECT_EQ(wide[0], 0x00EB);
    EXPECT_EQ(wide[1], 0xD83D);
    EXPECT_EQ(wide[2], 0xDE42);
    EXPECT_EQ(wide[3], 0);

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 3), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    char back[8] = {};
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, back, sizeof back, nullptr, nullptr), 7);
    EXPECT_STREQ(back, text);
}

TEST_F(TextTest, CaseFoldingKeepsByteOffsets) {
    struct Case {
        const char* name;
        const char* text;
        const char* lower;
        const char* upper;
    };
    const Case cases[] = {
        {"ascii", "Report.PDF", "report.pdf", "REPORT.PDF"},
        {"two-byte letters", "Zo\xC3\xAB \xC3\x84", "zo\xC3\xAB \xC3\xA4", "ZO\xC3\x8B \xC3\x84"},
        // The upper case of dotless i is one byte shorter: it stays as it is.
        {"other length kept", "\xC4\xB1x", "\xC4\xB1x", "\xC4\xB1X"},
        {"malformed byte kept",
         "A\xFF"
         "b",
         "a\xFF"
         "b",
         "A\xFF"
         "B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string lower = c.text;
        std::string upper = c.text;
        EXPECT_EQ(CharLowerA(lower.data()), lower.data());
        CharUpperA(upper.data());
        EXPECT_EQ(lower, c.lower);
        EXPECT_EQ(upper, c.upper);
    }
}

TEST_F(TextTest, CompareIgnoresCaseAndGivesTheOrder) {
    EXPECT_EQ(lstrcmpiA("Mail\\Saved", "MAIL\\saved"), 0);
    EXPECT_EQ(lstrcmpiA("\xC3\x84rger", "\xC3\xA4RGER"), 0);
    EXPECT_LT(lstrcmpiA("apple", "Banana"), 0);
    EXPECT_GT(lstrcmpiA("Banana", "apple"), 0);
    EXPECT_LT(lstrcmpiA("abc", "ABCD"), 0);
    EXPECT_LT(lstrcmpiA(nullptr, ""), 0);
}

TEST_F(TextTest, CopyAndLengthAreBounded) {
    char buffer[5];
    EXPECT_EQ(lstrcpynA(buffer, "abcdefgh", sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(lstrlenA(buffer), 4);
    EXPECT_EQ(lstrlenA(nullptr), 0);
}

TEST_F(TextTest, WsprintfFormatsTheConversionsUsed) {
    struct Case {
        const char* name;
        std::string got;
        const char* expected;
    };
    char buffer[1024];
    auto print = [&](auto... args) {
        wsprintfA(buffer, args...);
        return std::string(buffer);
    };
    const Case cases[] = {
        {"value name", print("SD%d", 10), "SD10"},
        {"negative and unsigned", print("%d %u %lu %ld", -5, 7u, 4000000000u, -2),
         "-5 7 4000000000 -2"},
        {"hex and char", print("%x %X %c", 255, 255, 'q'), "ff FF q"},
        {"widths", print("[%5s|%-4d|%08x]", "ab", 42, 0xBEEF), "[   ab|42  |0000beef]"},
        {"percent and null text", print("100%% %s", static_cast<const char*>(nullptr)),
         "100% (null)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.expected);
    }
    const std::string longText(2000, 'x');
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
}

DWORD Format(char* buffer, DWORD capacity, const char* pattern, ...) {
    va_list arguments;
    va_start(arguments, pattern);
    const DWORD written =
        FormatMessageA(FORMAT_MESSAGE_FROM_STRING, pattern, 0, 0, buffer, capacity, &arguments);
    va_end(arguments);
    return written;
}

// The text that the formatter writes, checked against the count it returns.
std::string FormatText(const char* pattern, ...) {
    char buffer[256];
    va_list arguments;
    va_start(arguments, pattern);
    const DWORD written = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, pattern, 0, 0, buffer,
                                         sizeof buffer, &arguments);
    va_end(arguments);
    if (written == 0 && std::strlen(pattern) > 0) {
        return "<failed>";
    }
    EXPECT_EQ(written, std::strlen(buffer));
    return buffer;
}

TEST_F(TextTest, FormatMessageInsertsAndEscapes) {
    struct Case {
        const char* name;
        std::string got;
        const char* expected;
    };
    const Case cases[] = {
        {"string and number", FormatText("Failed %1!s! at %2!d!.", "C:\\Mail\\", -3),
         "Failed C:\\Mail\\ at -3."},
        {"long and unsigned", FormatText("%1!ld! %2!u!", 12, 4000000000u), "12 4000000000"},
        {"plain insert is a string", FormatText("File %1 here", "a.txt"), "File a.txt here"},
        {"repeated and out of order", FormatText("%2!s!-%1!d!-%2!s!", 7, "x"), "x-7-x"},
        {"escapes", FormatText("100%% done%n%.%!%0 not shown"), "100% done\r\n.!"},
        {"line breaks of the text kept", FormatText("a\nb"), "a\nb"},
        {"width in an insert", FormatText("[%1!5s!]", "ab"), "[   ab]"},
        {"insert ten", FormatText("%10 %1", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j"),
         "j a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.got, c.expected);
    }
}

TEST_F(TextTest, FormatMessageRefusesABufferTooSmall) {
    char buffer[8];
    SetLastError(0);
    EXPECT_EQ(Format(buffer, sizeof buffer, "Files: %1!d!", 12), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(Format(buffer, sizeof buffer, "N: %1!d!", 1234), 7u);
    EXPECT_STREQ(buffer, "N: 1234");

    embedded::FailNthCall("FormatMessageA", 1, HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(Format(buffer, sizeof buffer, "x"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
}

} // namespace
