#include "platform/embedded/system/command_line.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/shell_execute.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLineTest, SplitsAsWindowsProgramsSplitTheirCommandLine) {
    struct Case {
        const char* name;
        const char* line;
        Arguments arguments;
    };
    const Case cases[] = {
        {"blanks and tabs separate", "  a\tb  c ", {"a", "b", "c"}},
        {"quotes group and vanish", "\"abc\" d e", {"abc", "d", "e"}},
        {"quotes inside a word", "d\"e f\"g h", {"de fg", "h"}},
        {"backslashes alone are literal", "a\\\\\\b", {"a\\\\\\b"}},
        {"odd backslashes make the quote literal", "a\\\\\\\"b c", {"a\\\"b", "c"}},
        {"even backslashes before a quote halve", "a\\\\\\\\\"b c\" d", {"a\\\\b c", "d"}},
        {"a quoted folder keeps its final backslash", "\"C:\\Dir\\\\\" x", {"C:\\Dir\\", "x"}},
        {"doubled quote inside quotes", "\"say \"\"hi\"\"\"", {"say \"hi\""}},
        {"empty quotes are an empty argument", "a \"\" b", {"a", "", "b"}},
        {"shell characters are plain text",
         "\"C:\\My Files\\a&b.txt\" $HOME `id` (x) 'q' ;|>",
         {"C:\\My Files\\a&b.txt", "$HOME", "`id`", "(x)", "'q'", ";|>"}},
        {"nothing", "   ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(embedded::SplitCommandLine(c.line), c.arguments);
    }
}

class ShellExecuteTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::MapDrive('C', temp.path()); }
    void TearDown() override { embedded::ResetDriveMap(); }

    static INT_PTR Code(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result); }

    testing_support::TempFolder temp;
    testing_support::ScriptedUser user;
};

TEST_F(ShellExecuteTest, AProgramGetsItsParametersSplitWithDrivePathsMadeNativePaths) {
    INT_PTR result = Code(ShellExecuteA(nullptr, "open", "Z:\\usr\\bin\\touch",
                                        "\"C:\\a&b $(x) `y`.txt\" -c plain", "C:\\", SW_SHOW));

    EXPECT_GT(result, 32);
    ASSERT_EQ(user->Launches().size(), 1u);
    const embedded::LaunchRequest& launch = user->Launches()[0];
    EXPECT_EQ(launch.program, "/usr/bin/touch");
    EXPECT_EQ(launch.arguments,
              (Arguments{"/usr/bin/touch", temp.path() + "/a&b $(x) `y`.txt", "-c", "plain"}));
    EXPECT_EQ(launch.workingFolder, temp.path());
    EXPECT_EQ(launch.show, SW_SHOW);
}

TEST_F(ShellExecuteTest, AFolderOrDocumentOpensWithTheDesktopOpener) {
    temp.WriteFile("Saved/report.doc", "x");
    for (const char* target : {"C:\\Saved\\", "C:\\Saved\\report.doc"}) {
        SCOPED_TRACE(target);
        EXPECT_GT(Code(ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOW)), 32);
        const embedded::LaunchRequest& launch = user->Launches().back();
        ASSERT_EQ(launch.arguments.size(), 2u);
        EXPECT_TRUE(launch.program.ends_with("xdg-open"));
        EXPECT_EQ(launch.arguments[1], *embedded::ToNativePath(target));
    }
}

TEST_F(ShellExecuteTest, AWebPageOpensWithTheDesktopOpener) {
    for (const char* page : {"https://example.org/help/", "HTTP://example.org/a?b=c"}) {
        SCOPED_TRACE(page);
        EXPECT_GT(Code(ShellExecuteA(nullptr, "open", page, nullptr, nullptr, SW_SHOW)), 32);
        const embedded::LaunchRequest& launch = user->Launches().back();
        EXPECT_TRUE(launch.program.ends_with("xdg-open"));
        EXPECT_EQ(launch.arguments, (Arguments{launch.program, page}));
    }
    const std::size_t launches = user->Launches().size();
    EXPECT_LE(Code(ShellExecuteA(nullptr, "open", "ftp://example.org/", nullptr, nullptr, SW_SHOW)),
              32)
        << "only web pages";
    EXPECT_EQ(user->Launches().size(), launches);
}

TEST_F(ShellExecuteTest, WhatCannotStartAnswersItsReason) {
    temp.WriteFile("file.txt", "x");
    struct Case {
        const char* name;
        const char* verb;
        const char* file;
        const char* directory;
        INT_PTR code;
    };
    const Case cases[] = {
        {"missing file", "open", "C:\\missing.exe", nullptr, SE_ERR_FNF},
        {"missing folder", "open", "C:\\nowhere\\tool.exe", nullptr, SE_ERR_PNF},
        {"unmapped drive", "open", "Q:\\tool.exe", nullptr, SE_ERR_FNF},
        {"other verb", "print", "C:\\file.txt", nullptr, SE_ERR_NOASSOC},
        {"no file", "open", "", nullptr, SE_ERR_FNF},
        {"working folder missing", "open", "Z:\\usr\\bin\\touch", "C:\\nowhere", SE_ERR_PNF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Code(ShellExecuteA(nullptr, c.verb, c.file, nullptr, c.directory, SW_SHOW)),
                  c.code);
    }
    EXPECT_TRUE(user->Launches().empty());
}

TEST_F(ShellExecuteTest, ARealLaunchStartsTheProgramWithoutAShell) {
    user->AllowLaunches(true);
    const char* name = "made by touch & $(id) `id`.txt";

    INT_PTR result =
        Code(ShellExecuteA(nullptr, "open", "Z:\\usr\\bin\\touch",
                           "\"C:\\made by touch & $(id) `id`.txt\"", nullptr, SW_SHOWNORMAL));

    ASSERT_GT(result, 32);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!temp.Exists(name) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(temp.Exists(name));
}

} // namespace
