#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

// Every text of the program is code page 936 bytes; a test run in any other
// ANSI code page would pass or fail by luck, so it fails here, loudly.
TEST(Locale, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(Locale, ChineseLiteralsAreCompiledToCodePage936)
{
    EXPECT_STREQ("提示", "\xCC\xE1\xCA\xBE");
    EXPECT_STREQ("提取成功！", "\xCC\xE1\xC8\xA1\xB3\xC9\xB9\xA6\xA3\xA1");
}
