#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/zip/safe_names.h"
#include "core/zip/zip_entry_name.h"

namespace dovrel {
namespace {

struct NameCase {
    std::string name;
    const char* why;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c) { return out << c.why; }

class SafeEntryName : public testing::TestWithParam<NameCase> {};
class UnsafeEntryName : public testing::TestWithParam<NameCase> {};

TEST_P(SafeEntryName, IsAccepted) { EXPECT_TRUE(IsSafeEntryName(GetParam().name)) << GetParam().why; }
TEST_P(UnsafeEntryName, IsRefused) { EXPECT_FALSE(IsSafeEntryName(GetParam().name)) << GetParam().why; }

INSTANTIATE_TEST_SUITE_P(
    Names, SafeEntryName,
    testing::Values(
        NameCase{"ppt/media/image1.png", "an ordinary part"}, NameCase{"[Content_Types].xml", "brackets are allowed"},
        NameCase{"ppt/media/", "a folder entry's final separator"}, NameCase{"a", "one character"},
        NameCase{".rels", "a leading dot"}, NameCase{"_rels/.rels", "a dot file in a folder"},
        NameCase{"a..b/c...d.png", "dots inside a component"}, NameCase{"media/my picture.png", "a space inside"},
        NameCase{"word\\media\\x.png", "backslash separators"},
        NameCase{"\xCD\xBC\xC6\xAC/\xCD\xBC.png", "code page 936 names"},
        NameCase{"\xB5\x7C.png", "a trail byte equal to |"},
        NameCase{"a\xB5\x5C/x.png", "a trail byte equal to \\ is not a separator"},
        NameCase{"\xB5\x5C/x.png", "a trail byte \\ followed by a separator: one component"},
        NameCase{"CONSOLE.txt", "longer than a device name"}, NameCase{"COM0", "COM0 is no device"},
        NameCase{"COM10.txt", "COM10 is no device"}, NameCase{"media/LPT", "LPT without a digit"},
        NameCase{"nul_/x", "a device name with more after it"}, NameCase{"xCON", "a device name at the end"}));

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeEntryName,
    testing::Values(
        NameCase{"", "empty"}, NameCase{"/etc/passwd", "absolute with /"},
        NameCase{"\\Windows\\evil.dll", "absolute with \\"}, NameCase{"C:\\evil.dll", "a drive letter"},
        NameCase{"c:evil.dll", "a drive-relative name"}, NameCase{"media/x.png:stream", "an alternate data stream"},
        NameCase{"../evil.png", ".. at the start"}, NameCase{"a/../../evil.png", ".. in the middle"},
        NameCase{"a/..", ".. at the end"}, NameCase{"a\\..\\evil.png", ".. between backslashes"},
        NameCase{"./a.png", "a . component"}, NameCase{"a/./b.png", "a . component in the middle"},
        NameCase{"a//b.png", "an empty component"}, NameCase{"a/b//", "an empty component before the final separator"},
        NameCase{"/", "a separator alone"}, NameCase{".. /evil.png", ".. and a space: Windows strips the space"},
        NameCase{"a/... /evil.png", "dots and a space"}, NameCase{"a./b.png", "a component ending in a dot"},
        NameCase{"a/b.png.", "a name ending in a dot"}, NameCase{"a/b.png ", "a name ending in a space"},
        NameCase{std::string("a\0b.png", 7), "a zero byte inside the stored length"},
        NameCase{std::string("a.png\0", 6), "a zero byte at the end of the stored length"},
        NameCase{"a\x01.png", "a control byte"}, NameCase{"a\x1F.png", "control byte 31"}, NameCase{"a\t.png", "a tab"},
        NameCase{"a<b.png", "<"}, NameCase{"a>b.png", ">"}, NameCase{"a\"b.png", "a double quote"},
        NameCase{"a|b.png", "|"}, NameCase{"a?.png", "?"}, NameCase{"a*.png", "*"}, NameCase{"CON", "CON"},
        NameCase{"media/con.png", "con with an extension"}, NameCase{"Aux.tar.gz", "AUX, two extensions"},
        NameCase{"prn", "PRN"}, NameCase{"nul/x.png", "NUL as a folder"}, NameCase{"COM1", "COM1"},
        NameCase{"com9.txt", "COM9"}, NameCase{"LPT1", "LPT1"}, NameCase{"lpt9.xml", "LPT9"},
        NameCase{"conin$", "CONIN$"}, NameCase{"CONOUT$.txt", "CONOUT$"},
        NameCase{"NUL .txt", "a device name with a space before the extension"},
        NameCase{"\x80\\..\\evil.png", "lead byte 0x80: Windows reads 0x80 alone and \\ as a separator"},
        NameCase{"\xFF/x.png", "lead byte 0xFF"}, NameCase{"\xB5\x2E\x2E/x.png", "a trail byte below 0x40"},
        NameCase{"\xB5\x7F.png", "trail byte 0x7F"}, NameCase{"x.png\xB5", "a lead byte at the end"}));

// ---- Safe names: each stored name in turn, and what is written -------------

struct SafeNamesCase {
    const char* name;
    std::vector<std::pair<std::string, bool>> stored;  // name, stored as UTF-8
    std::vector<std::optional<std::string>> written;   // nothing: no safe name
};
void PrintTo(const SafeNamesCase& c, std::ostream* out) { *out << c.name; }

class SafeNamesTest : public testing::TestWithParam<SafeNamesCase> {};

TEST_P(SafeNamesTest, GivesNamesWindowsKeepsDistinctIgnoringCase)
{
    SafeNames names;
    for (std::size_t i = 0; i < GetParam().stored.size(); ++i) {
        const auto& [stored, utf8] = GetParam().stored[i];
        EXPECT_EQ(names.Assign(stored, utf8), GetParam().written.at(i)) << stored;
    }
}

const std::nullopt_t kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Names, SafeNamesTest,
    testing::Values(
        SafeNamesCase{"devices",
                      {{"con.png", false}, {"aux.emf", false}, {"CON", false}, {"Com1.", false}, {"lpt9 .x", false}},
                      {"con_.png", "aux_.emf", "CON_", "Com1_", "lpt9 _.x"}},
        SafeNamesCase{"trailing_dots_and_spaces",
                      {{"a.png.", false}, {"b ", false}, {"...", false}, {"d. /e.png", false}},
                      {"a.png", "b", "_", "d\\e.png"}},
        SafeNamesCase{"letter_case",
                      {{"IMAGE1.PNG", false},
                       {"image1.png", false},
                       {"Image1.png", false},
                       {"a.png.", false},
                       {"A.PNG", false},
                       {"\xA3\xC1.png", false},
                       {"\xA3\xE1.png", false}},
                      {"IMAGE1.PNG", "image1 (2).png", "Image1 (3).png", "a.png", "A (2).PNG", "\xA3\xC1.png",
                       "\xA3\xE1 (2).png"}},
        SafeNamesCase{"folders_merge_files_do_not",
                      {{"sub/a.png", false},
                       {"SUB\\a.png", false},
                       {"Sub/", false},
                       {"x", false},
                       {"X/", false},
                       {"sub", false},
                       {"", false}},
                      {"sub\\a.png", "SUB\\a (2).png", "Sub", "x", kNone, "sub (2)", ""}},
        SafeNamesCase{"utf8",
                      {{"\xE5\x9B\xBE\xE8\xA1\xA8.png", true},
                       {"\xED\x95\x9C.png", true},
                       {"\xFF.png", true},
                       {"\xE5\x9B\xBE\xE8\xA1\xA8.PNG", true}},
                      {"图表.png", "_.png", kNone, "图表 (2).PNG"}},
        SafeNamesCase{"no_safe_name",
                      {{"../x", false},
                       {"a/../b", false},
                       {"/x", false},
                       {"a:b", false},
                       {"a\x01", false},
                       {"a//b", false},
                       {"a\x81", false},
                       {"a?", false},
                       {"./b", false}},
                      {kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone, kNone}}),
    [](const testing::TestParamInfo<SafeNamesCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dovrel
