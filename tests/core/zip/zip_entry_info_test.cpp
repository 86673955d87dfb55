#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/zip/zip_entry_info.h"
#include "tests/support/zip_builder.h"

namespace dovrel {
namespace {

using test::DosDate;
using test::DosTime;
using test::ExtendedTimestamp;
using test::ExtraBlock;

struct AttributeCase {
    std::uint32_t external;
    std::uint32_t expected;
};

class EntryAttributesTest : public testing::TestWithParam<AttributeCase> {};

TEST_P(EntryAttributesTest, FollowsTheTable)
{
    EXPECT_EQ(EntryAttributes(GetParam().external), GetParam().expected)
        << std::hex << "external 0x" << GetParam().external;
}

INSTANTIATE_TEST_SUITE_P(Table, EntryAttributesTest,
                         testing::Values(AttributeCase{0x81A40000, 0x80},    // Unix rw-r--r--
                                         AttributeCase{0x81240000, 0x81},    // Unix r--r--r--: owner cannot write
                                         AttributeCase{0x00000000, 0x81},    // no Unix permissions at all
                                         AttributeCase{0x00000020, 0xA1},    // DOS archive
                                         AttributeCase{0x41ED0010, 0x90},    // Unix and DOS directory
                                         AttributeCase{0x40000000, 0x91},    // Unix directory type alone
                                         AttributeCase{0x00800010, 0x90},    // DOS directory flag alone
                                         AttributeCase{0x00800001, 0x81},    // DOS read-only despite owner write
                                         AttributeCase{0x00800002, 0x82},    // hidden
                                         AttributeCase{0x00800004, 0x84},    // system
                                         AttributeCase{0x00800027, 0xA7},    // archive, hidden, system, read-only
                                         AttributeCase{0x00800032, 0xB2},    // a directory keeps archive and hidden
                                         AttributeCase{0xA1FF0000, 0x80}));  // Unix symbolic link: a plain file here

TEST(EntryAttributes, ADirectoryBitOrAFinalSlashMakesAFolder)
{
    ZipEntryInfo info;
    info.attributes = EntryAttributes(0x81A40000);
    info.name = "looks/like/a/folder/";
    EXPECT_TRUE(info.IsFolder());
    info.name = "a/file";
    EXPECT_FALSE(info.IsFolder());
    info.attributes = EntryAttributes(0x10);
    EXPECT_TRUE(info.IsFolder());
}

SYSTEMTIME ToSystemTime(std::uint64_t time)
{
    FILETIME file{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SYSTEMTIME system{};
    EXPECT_TRUE(FileTimeToSystemTime(&file, &system));
    return system;
}

std::uint64_t FromSystemTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME system{year, month, 0, day, hour, minute, second, 0};
    FILETIME file;
    EXPECT_TRUE(SystemTimeToFileTime(&system, &file));
    return (static_cast<std::uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

TEST(DosStamp, TenOClockIsReadAsTenOClockUtc)
{
    std::uint32_t stamp = (static_cast<std::uint32_t>(DosDate(2021, 3, 4)) << 16) | DosTime(10, 0, 0);
    EXPECT_EQ(DosStampToFileTime(stamp), FromSystemTime(2021, 3, 4, 10, 0, 0));
    SYSTEMTIME back = ToSystemTime(DosStampToFileTime(stamp));
    EXPECT_EQ(back.wHour, 10);
    EXPECT_EQ(back.wMinute, 0);
}

TEST(DosStamp, KeepsTwoSecondStepsAndRejectsImpossibleDates)
{
    std::uint32_t stamp = (static_cast<std::uint32_t>(DosDate(2107, 12, 31)) << 16) | DosTime(23, 59, 58);
    EXPECT_EQ(DosStampToFileTime(stamp), FromSystemTime(2107, 12, 31, 23, 59, 58));
    EXPECT_EQ(DosStampToFileTime(0), 0u);  // month 0, day 0
}

// Times an entry gets from a DOS stamp before the extra field is applied.
constexpr std::uint64_t kDos = 1111;
const std::uint64_t kT1 = FromSystemTime(2001, 9, 9, 1, 46, 40);    // 1000000000 s after 1970
const std::uint64_t kT2 = FromSystemTime(2009, 2, 13, 23, 31, 30);  // 1234567890
const std::uint64_t kT3 = FromSystemTime(1970, 1, 1, 0, 0, 0);

struct Times {
    std::uint64_t modification, access, creation;
    bool operator==(const Times& o) const
    {
        return modification == o.modification && access == o.access && creation == o.creation;
    }
};
std::ostream& operator<<(std::ostream& out, const Times& t)
{
    return out << "{m " << t.modification << ", a " << t.access << ", c " << t.creation << "}";
}

Times Apply(const std::string& extra)
{
    ZipEntryInfo info;
    info.modificationTime = info.accessTime = info.creationTime = kDos;
    ApplyExtendedTimestamp(extra, info);
    return {info.modificationTime, info.accessTime, info.creationTime};
}

struct TimestampCase {
    const char* what;
    std::string extra;
    Times expected;
};

class ExtendedTimestampTest : public testing::TestWithParam<TimestampCase> {};

TEST_P(ExtendedTimestampTest, ReplacesExactlyTheTimesItCarries)
{
    EXPECT_EQ(Apply(GetParam().extra), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, ExtendedTimestampTest,
    testing::Values(
        TimestampCase{"one flag: modification", ExtendedTimestamp(0x01, {1000000000}), {kT1, kDos, kDos}},
        TimestampCase{"two flags", ExtendedTimestamp(0x03, {1000000000, 1234567890}), {kT1, kT2, kDos}},
        TimestampCase{"three flags", ExtendedTimestamp(0x07, {1000000000, 1234567890, 0}), {kT1, kT2, kT3}},
        TimestampCase{
            "values are packed in flag order", ExtendedTimestamp(0x05, {1000000000, 1234567890}), {kT1, kDos, kT2}},
        TimestampCase{"access alone", ExtendedTimestamp(0x02, {1234567890}), {kDos, kT2, kDos}},
        TimestampCase{"upper flag bits mean nothing", ExtendedTimestamp(0xF8, {1000000000}), {kDos, kDos, kDos}},
        TimestampCase{
            "negative value keeps the DOS time", ExtendedTimestamp(0x03, {-1, 1234567890}), {kDos, kT2, kDos}},
        TimestampCase{"block shorter than its flags: the values that fit",
                      ExtendedTimestamp(0x07, {1000000000, 1234567890}),
                      {kT1, kT2, kDos}},
        TimestampCase{"a value cut by the block's size is not read",
                      ExtendedTimestamp(0x03, {1000000000, 1234567890}, 7),
                      {kT1, kDos, kDos}},
        TimestampCase{"a block claiming more than the field holds stops at the field",
                      ExtendedTimestamp(0x07, {1000000000, 1234567890}, 13),
                      {kT1, kT2, kDos}},
        TimestampCase{"a value cut by the end of the field is not read",
                      ExtendedTimestamp(0x03, {1000000000, 1234567890}).substr(0, 11),
                      {kT1, kDos, kDos}},
        TimestampCase{"flags only", ExtendedTimestamp(0x07, {}), {kDos, kDos, kDos}},
        TimestampCase{"empty block then nothing", ExtraBlock(0x5455, ""), {kDos, kDos, kDos}},
        TimestampCase{"after another block",
                      ExtraBlock(0x000A, std::string(32, 'x')) + ExtendedTimestamp(0x01, {1000000000}),
                      {kT1, kDos, kDos}},
        TimestampCase{"only the first UT block counts",
                      ExtendedTimestamp(0x01, {1000000000}) + ExtendedTimestamp(0x03, {1234567890, 1234567890}),
                      {kT1, kDos, kDos}},
        TimestampCase{"a block whose size runs past the field hides what follows",
                      ExtraBlock(0x000A, "", 200) + ExtendedTimestamp(0x01, {1000000000}),
                      {kDos, kDos, kDos}},
        TimestampCase{"the ID bytes \"TU\" are not \"UT\"",
                      ExtraBlock(0x5554, std::string("\x01", 1) + test::Le32(1000000000)),
                      {kDos, kDos, kDos}},
        TimestampCase{"no extra field", "", {kDos, kDos, kDos}}));

}  // namespace
}  // namespace dovrel
