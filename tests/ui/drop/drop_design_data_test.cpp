#include "ui/drop/drop_design_data.h"

#include <gtest/gtest.h>

namespace dovrel {
namespace {

std::string Integers(std::initializer_list<std::uint32_t> values)
{
    std::string bytes;
    for (std::uint32_t value : values)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return bytes;
}

DropSwitches Switches(bool text, bool html, bool url, bool files)
{
    DropSwitches switches;
    switches.Set(DropKind::Text, text);
    switches.Set(DropKind::Html, html);
    switches.Set(DropKind::Url, url);
    switches.Set(DropKind::Files, files);
    return switches;
}

TEST(DropDesignData, WritesVersionOneAndTheSwitchesInStoredOrder)
{
    EXPECT_EQ(WriteDropDesignData(Switches(true, false, true, false)), Integers({1, 1, 0, 1, 0}));
    EXPECT_EQ(WriteDropDesignData(Switches(false, true, false, true)), Integers({1, 0, 1, 0, 1}));
    EXPECT_EQ(WriteDropDesignData(DropSwitches{}).size(), kDropDesignDataSize);
}

TEST(DropDesignData, RoundTripsEverySwitchCombination)
{
    for (int bits = 0; bits < 16; ++bits) {
        DropSwitches switches = Switches(bits & 1, bits & 2, bits & 4, bits & 8);
        std::optional<DropSwitches> parsed = ParseDropDesignData(WriteDropDesignData(switches));
        ASSERT_TRUE(parsed) << bits;
        EXPECT_EQ(*parsed, switches) << bits;
    }
}

struct ParseCase {
    const char* name;
    std::string bytes;
    std::optional<DropSwitches> expected;
};

class ParseDropDesignDataTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseDropDesignDataTable, Parses)
{
    const ParseCase& c = GetParam();
    std::optional<DropSwitches> parsed = ParseDropDesignData(c.bytes);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value());
    if (parsed) {
        EXPECT_EQ(*parsed, *c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseDropDesignDataTable,
    testing::Values(ParseCase{"NoDataIsAllOff", "", DropSwitches{}},
                    ParseCase{"VersionZero", Integers({0, 0, 0, 0, 1}), Switches(false, false, false, true)},
                    ParseCase{"AnyNonZeroIsOn", Integers({1, 7, 0x80000000u, 0xFFFFFFFFu, 0x100}),
                              Switches(true, true, true, true)},
                    ParseCase{"BytesPastTheFiveIntegersIgnored", Integers({1, 1, 0, 0, 0}) + "xyz",
                              Switches(true, false, false, false)},
                    ParseCase{"VersionTwoRejected", Integers({2, 0, 0, 0, 0}), std::nullopt},
                    ParseCase{"NegativeVersionRejected", Integers({0xFFFFFFFFu, 0, 0, 0, 0}), std::nullopt},
                    ParseCase{"OneByteShortRejected", Integers({1, 0, 0, 0, 0}).substr(0, 19), std::nullopt},
                    ParseCase{"VersionAloneRejected", Integers({1}), std::nullopt},
                    ParseCase{"SingleByteRejected", std::string(1, '\0'), std::nullopt}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dovrel
