#include "core/text/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace dovrel {
namespace {

// 誠 in code page 936: its trail byte is "\".
const Text kCheng = "\xD5\x5C";

// Texts in failure messages, bytes outside ASCII as \xNN.
std::string Printable(const Text& text)
{
    std::string out;
    for (unsigned char byte : text) {
        if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return "'" + out + "'";
}

struct FindCase {
    Text text;
    Text sought;
    std::optional<std::int32_t> start;
    bool ignoreCase;
    std::int32_t expected;
};

std::ostream& operator<<(std::ostream& out, const FindCase& c)
{
    out << Printable(c.text) << " / " << Printable(c.sought);
    if (c.start) out << " start " << *c.start;
    return out << (c.ignoreCase ? " ignoring case" : "");
}

class FindLastTextTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindLastTextTest, FindsTheLastOccurrence)
{
    const FindCase& c = GetParam();
    EXPECT_EQ(FindLastText(c.text, c.sought, c.start, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindLastTextTest,
    testing::Values(
        // The job's name analysis.
        FindCase{"C:\\docs\\a.pptx", "\\", std::nullopt, false, 8}, FindCase{"a.pptx", ".", std::nullopt, false, 2},
        FindCase{"a.b.pptx", ".", std::nullopt, false, 4}, FindCase{"deck.pptx", "\\", std::nullopt, false, -1},
        // A trail byte equal to "\" is never a match.
        FindCase{"x\\" + kCheng, "\\", std::nullopt, false, 2}, FindCase{kCheng, "\\", std::nullopt, false, -1},
        FindCase{"C:\\" + kCheng + "\\deck.pptx", "\\", std::nullopt, false, 6},
        FindCase{kCheng + "\\", "\\", std::nullopt, false, 3},
        FindCase{kCheng + kCheng, "\x5C\xD5", std::nullopt, false, -1},  // straddles two characters
        FindCase{"a" + kCheng + "b", kCheng, std::nullopt, false, 2},
        // A lead byte directly before the end: the scan stops there.
        FindCase{"a\\\xD5", "\\", std::nullopt, false, 2},
        // Empty texts.
        FindCase{"abc", "", std::nullopt, false, 1}, FindCase{"", "", std::nullopt, false, -1},
        FindCase{"", "x", std::nullopt, false, -1}, FindCase{"ab", "abc", std::nullopt, false, -1},
        // Overlapping occurrences count.
        FindCase{"aaa", "aa", std::nullopt, false, 2}, FindCase{"abab", "ab", std::nullopt, false, 3},
        FindCase{"aaaa", "a", std::nullopt, false, 4},
        // start: only the first start - 1 bytes are searched.
        FindCase{"a\\b\\c", "\\", 4, false, 2}, FindCase{"a\\b\\c", "\\", 5, false, 4},
        FindCase{"a\\b\\c", "\\", 100, false, 4}, FindCase{"a\\b\\c", "\\", 2, false, -1},
        FindCase{"a\\b\\c", "\\", 1, false, -1}, FindCase{"a\\b\\c", "\\", 0, false, -1},
        FindCase{"a\\b\\c", "\\", -7, false, -1}, FindCase{"a\\b\\c", "\\", INT_MIN, false, -1},
        FindCase{"abcd", "cd", 4, false, -1},  // must lie wholly inside
        FindCase{"abcd", "cd", 5, false, 3}, FindCase{"abc", "", 1, false, -1}, FindCase{"abc", "", 2, false, 1},
        FindCase{"x" + kCheng, kCheng, 3, false, -1},  // the stretch cuts the character
        // Case: only A-Z and a-z, and only when asked.
        FindCase{"A.PPTX", "pptx", std::nullopt, false, -1}, FindCase{"A.PPTX", "pptx", std::nullopt, true, 3},
        FindCase{"abcABC", "b", std::nullopt, true, 5},
        FindCase{"[x]", "{X}", std::nullopt, true, -1},  // [ and { differ by 0x20 but are no letters
        // Two characters whose trail bytes differ only in case stay different.
        FindCase{"\xB0\x41", "\xB0\x61", std::nullopt, true, -1},
        FindCase{"z\xB0\x41Z", "Z\xB0\x41z", std::nullopt, true, 1}));

struct SplitCase {
    Text text;
    Text separator;
    std::optional<std::int32_t> maxMembers;
    std::vector<Text> expected;
};

std::ostream& operator<<(std::ostream& out, const SplitCase& c)
{
    out << Printable(c.text) << " at " << Printable(c.separator);
    if (c.maxMembers) out << " limit " << *c.maxMembers;
    return out;
}

class SplitTextTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextTest, SplitsAtEverySeparator)
{
    const SplitCase& c = GetParam();
    EXPECT_EQ(SplitText(c.text, c.separator, c.maxMembers), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTextTest,
    testing::Values(SplitCase{"C:\\docs\\a.pptx", "\\", std::nullopt, {"C:", "docs", "a.pptx"}},
                    SplitCase{"a\\b\\", "\\", std::nullopt, {"a", "b"}},      // no empty last member
                    SplitCase{"\\a", "\\", std::nullopt, {"", "a"}},          // empty first member
                    SplitCase{"a\\\\b", "\\", std::nullopt, {"a", "", "b"}},  // empty member between
                    SplitCase{"\\", "\\", std::nullopt, {""}}, SplitCase{"", "\\", std::nullopt, {}},
                    SplitCase{"abc", "", std::nullopt, {"abc"}}, SplitCase{"abc", "\\", std::nullopt, {"abc"}},
                    SplitCase{"a,b", ",", std::nullopt, {"a", "b"}},
                    SplitCase{"a::b:::c", "::", std::nullopt, {"a", "b", ":c"}},
                    SplitCase{"ab", "abc", std::nullopt, {"ab"}},
                    // The trail byte of 誠 is no separator.
                    SplitCase{"C:\\" + kCheng + "\\x.pptx", "\\", std::nullopt, {"C:", kCheng, "x.pptx"}},
                    SplitCase{kCheng, "\\", std::nullopt, {kCheng}},
                    SplitCase{kCheng + "\\", "\\", std::nullopt, {kCheng}},
                    SplitCase{"x" + kCheng + "y", kCheng, std::nullopt, {"x", "y"}},
                    SplitCase{"a\\\xD5", "\\", std::nullopt, {"a", "\xD5"}},  // lone lead byte at the end
                    // The limit: at most N members, the rest dropped.
                    SplitCase{"a\\b\\c", "\\", 2, {"a", "b"}}, SplitCase{"a\\b\\c", "\\", 1, {"a"}},
                    SplitCase{"a\\b\\c", "\\", 3, {"a", "b", "c"}}, SplitCase{"a\\b\\c", "\\", 10, {"a", "b", "c"}},
                    SplitCase{"a\\b\\c", "\\", 0, {}}, SplitCase{"a\\b\\c", "\\", -3, {}},
                    SplitCase{"a\\", "\\", 1, {"a"}}, SplitCase{"abc", "", 0, {}}, SplitCase{"abc", "", 1, {"abc"}}));

TEST(SplitText, DefaultSeparatorIsComma) { EXPECT_EQ(SplitText("x,y\\z"), (std::vector<Text>{"x", "y\\z"})); }

struct PartCase {
    Text text;
    std::int32_t count;
    Text right;
    Text left;
};

class PartsTest : public testing::TestWithParam<PartCase> {};

TEST_P(PartsTest, ClampTheCount)
{
    const PartCase& c = GetParam();
    EXPECT_EQ(RightText(c.text, c.count), c.right) << Printable(c.text) << " " << c.count;
    EXPECT_EQ(LeftText(c.text, c.count), c.left) << Printable(c.text) << " " << c.count;
}

INSTANTIATE_TEST_SUITE_P(Cases, PartsTest,
                         testing::Values(PartCase{"abc", 5, "abc", "abc"}, PartCase{"abc", 3, "abc", "abc"},
                                         PartCase{"abc", 2, "bc", "ab"}, PartCase{"abc", 0, "", ""},
                                         PartCase{"abc", -2, "", ""}, PartCase{"abc", INT_MIN, "", ""},
                                         PartCase{"abc", INT_MAX, "abc", "abc"}, PartCase{"", 3, "", ""},
                                         // Plain bytes: a count may cut a two-byte character.
                                         PartCase{"a" + kCheng, 1, "\x5C", "a"},
                                         PartCase{kCheng + "a", 1, "a", "\xD5"}));

// The job's name analysis, as the rules above combine.
TEST(NameAnalysis, FileNameExtensionAndBaseName)
{
    const Text path = "C:\\docs\\a.pptx";
    const Text name = RightText(path, TextLength(path) - FindLastText(path, "\\"));
    EXPECT_EQ(name, "a.pptx");
    const std::int32_t dot = FindLastText(name, ".");
    EXPECT_EQ(RightText(name, TextLength(name) - dot), "pptx");
    EXPECT_EQ(LeftText(name, dot - 1), "a");

    const Text bare = "deck.pptx";  // no "\": one byte more than the text has
    EXPECT_EQ(RightText(bare, TextLength(bare) - FindLastText(bare, "\\")), bare);

    const Text hidden = ".pptx";  // the dot is the first byte: no base name
    EXPECT_EQ(LeftText(hidden, FindLastText(hidden, ".") - 1), "");
    const Text noDot = "README";
    EXPECT_EQ(LeftText(noDot, FindLastText(noDot, ".") - 1), "");

    const Text chinese = "C:\\" + kCheng + "\\" + kCheng + ".docx";
    const Text chineseName = RightText(chinese, TextLength(chinese) - FindLastText(chinese, "\\"));
    EXPECT_EQ(chineseName, kCheng + ".docx");
}

struct CompareCase {
    Text a;
    Text b;
    std::int32_t expected;
};

class CompareTextTest : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareTextTest, ComparesUnsignedBytes)
{
    const CompareCase& c = GetParam();
    EXPECT_EQ(CompareText(c.a, c.b), c.expected) << Printable(c.a) << " vs " << Printable(c.b);
    EXPECT_EQ(CompareText(c.b, c.a), -c.expected) << Printable(c.b) << " vs " << Printable(c.a);
}

INSTANTIATE_TEST_SUITE_P(Cases, CompareTextTest,
                         testing::Values(CompareCase{"pptx", "pptx", 0}, CompareCase{"pptx", "PPTX", 1},
                                         CompareCase{"", "", 0}, CompareCase{Text(), "", 0}, CompareCase{"a", "", 1},
                                         CompareCase{"ab", "abc", -1}, CompareCase{"abd", "abc", 1},
                                         CompareCase{"\xD5", "a", 1},  // bytes from 0x80 are the larger
                                         CompareCase{kCheng, "\xD5\x5D", -1}));

TEST(ToText, FormatsLikePercentD)
{
    EXPECT_EQ(ToText(-12), "-12");
    EXPECT_EQ(ToText(202105), "202105");
    EXPECT_EQ(ToText(0), "0");
    EXPECT_EQ(ToText(INT_MIN), "-2147483648");
    EXPECT_EQ(ToText(INT_MAX), "2147483647");
    EXPECT_EQ(ToText(Text("C:\\" + kCheng)), "C:\\" + kCheng);
}

TEST(JoinTexts, JoinsInOrder)
{
    EXPECT_EQ(JoinTexts({}), "");
    EXPECT_EQ(JoinTexts({"C:\\PPT_RES", "\\", "", "deck", "_", "202146"}), "C:\\PPT_RES\\deck_202146");
    EXPECT_EQ(JoinTexts({kCheng, "\\"}), "\xD5\x5C\x5C");
}

}  // namespace
}  // namespace dovrel
