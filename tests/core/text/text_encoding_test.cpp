#include "core/text/text_encoding.h"

#include <gtest/gtest.h>

namespace dovrel {
namespace {

TEST(TextEncoding, Utf8DecodesEveryByte)
{
    EXPECT_EQ(WideFromUtf8(""), L"");
    EXPECT_EQ(WideFromUtf8("a\xC2\xA0\xE4\xB8\xAD"), L"a\u00A0\u4E2D");
    EXPECT_EQ(WideFromUtf8("x\xFFy"), L"x\uFFFDy");
}

TEST(TextEncoding, WideEncodesToCodePage936)
{
    EXPECT_EQ(AnsiFromWide(L""), "");
    EXPECT_EQ(AnsiFromWide(L"plain"), "plain");
    EXPECT_EQ(AnsiFromWide(L"\u4E2D\u6587"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(AnsiFromWide(L"a\u0E01b"), "a?b");  // not in the code page
    EXPECT_EQ(AnsiFromWide(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(TextEncoding, DecomposedLettersAreComposedWhereTheCodePageHasThem)
{
    EXPECT_EQ(AnsiFromWide(L"e\u0301"), AnsiFromWide(L"\u00E9"));
}

}  // namespace
}  // namespace dovrel
