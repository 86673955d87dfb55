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

// A program text and the UTF-16 it stands for, both ways.
struct TextAndWide {
    const char* text;
    const wchar_t* wide;
};

class TextAndWideRoundTrip : public ::testing::TestWithParam<TextAndWide> {};

TEST_P(TextAndWideRoundTrip, ConvertsBothWaysWithNothingLost)
{
    EXPECT_EQ(TextFromWide(GetParam().wide), GetParam().text);
    EXPECT_EQ(WideFromText(GetParam().text), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(TextEncoding, TextAndWideRoundTrip,
                         ::testing::Values(TextAndWide{"", L""}, TextAndWide{"plain", L"plain"},
                                           // Code page 936 bytes, whatever the system's code page.
                                           TextAndWide{"\xD6\xD0\xCE\xC4\\a.pptx", L"\u4E2D\u6587\\a.pptx"},
                                           TextAndWide{"M\xA8\xB9ller", L"M\u00FCller"},
                                           // Characters code page 936 lacks are escaped, never replaced.
                                           TextAndWide{"Espa\xFF"
                                                       "00F1a.pptx",
                                                       L"Espa\u00F1a.pptx"},
                                           TextAndWide{"Pr\xFF"
                                                       "00E4sentation",
                                                       L"Pr\u00E4sentation"},
                                           TextAndWide{"\xFF"
                                                       "00AE\xFF"
                                                       "2122",
                                                       L"\u00AE\u2122"},
                                           TextAndWide{"\xFF"
                                                       "D55C\xFF"
                                                       "AE00",
                                                       L"\uD55C\uAE00"},
                                           TextAndWide{"\xFF"
                                                       "D83D\xFF"
                                                       "DE00.docx",
                                                       L"\U0001F600.docx"},
                                           TextAndWide{"a\xFF"
                                                       "0E01b",
                                                       L"a\u0E01b"},
                                           // No composing, no look-alike: the name as it is.
                                           TextAndWide{"e\xFF"
                                                       "0301",
                                                       L"e\u0301"},
                                           // The escape byte itself is never written as it is.
                                           TextAndWide{"\xFF"
                                                       "F8F5",
                                                       L"\uF8F5"}));

TEST(TextEncoding, WideEndsAtItsFirstZeroAndStrayEscapeBytesPassAsTheyAre)
{
    EXPECT_EQ(TextFromWide(std::wstring(L"ab\0cd", 5)), "ab");
    EXPECT_EQ(WideFromText("\xFF"
                           "00e9"),
              L"\u00E9");  // either case of digit
    EXPECT_EQ(WideFromText("x\xFF"
                           "12")
                  .back(),
              L'2');  // too short for an escape
}

}  // namespace
}  // namespace dovrel
