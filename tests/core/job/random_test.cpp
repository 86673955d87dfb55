#include "core/job/random.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

namespace dovrel {
namespace {

TEST(Random, SeedOneGivesTheCRuntimeSequence)
{
    SeedRandom(1);
    const std::vector<std::int32_t> expected = {41, 18467, 6334, 26500, 19169, 15724};
    for (std::int32_t value : expected) EXPECT_EQ(NextRandom(), value);
}

TEST(Random, MatchesTheLinkedCRuntimeRand)
{
    for (unsigned seed : {0u, 1u, 12345u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SeedRandom(seed);
        std::srand(seed);
        for (int i = 0; i < 20; ++i) ASSERT_EQ(NextRandom(), std::rand()) << "seed " << seed << " draw " << i;
    }
}

DWORD WINAPI DrawOnce(void* out)
{
    auto* result = static_cast<std::uint32_t*>(out);
    result[0] = RandomState();
    result[1] = static_cast<std::uint32_t>(NextRandom());
    return 0;
}

TEST(Random, EachThreadHasItsOwnState)
{
    SeedRandom(12345);
    std::uint32_t seen[2] = {};
    HANDLE thread = CreateThread(nullptr, 0, DrawOnce, seen, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(seen[0], 1u);  // a fresh thread starts from state 1
    EXPECT_EQ(seen[1], 41u);
    EXPECT_EQ(RandomState(), 12345u);
}

struct TickCase {
    std::uint32_t tick;
    std::uint32_t adjustment;
    std::uint32_t seed;
    std::uint32_t nextAdjustment;
};

class TickSeedTest : public testing::TestWithParam<TickCase> {};

TEST_P(TickSeedTest, AddsTheAdjustmentAndGrowsIt)
{
    const TickCase& c = GetParam();
    TickSeeding seeding = TickSeed(c.tick, c.adjustment);
    EXPECT_EQ(seeding.seed, c.seed);
    EXPECT_EQ(seeding.nextAdjustment, c.nextAdjustment);
}

INSTANTIATE_TEST_SUITE_P(Cases, TickSeedTest,
                         testing::Values(TickCase{1000, 0, 1000, 0 + 232 + 100},  // 1000 & 0xFF = 232
                                         TickCase{0, 0, 0, 100},
                                         TickCase{0xFFFFFFFFu, 5, 4, 5 + 4 + 100},  // the sums wrap
                                         TickCase{0x12345678u, 0xFFFFFF00u, 0x12345578u, 0xFFFFFFDCu}));

TEST(Random, TwoSeedingsWithinOneMillisecondDiffer)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        DWORD before = GetTickCount();
        SeedRandom();
        std::uint32_t first = RandomState();
        SeedRandom();
        std::uint32_t second = RandomState();
        if (GetTickCount() != before) continue;  // the millisecond turned: try again
        // Same tick, so the seeds differ by the adjustment's growth.
        EXPECT_EQ(second - first, (first & 0xFF) + 100u);
        return;
    }
    FAIL() << "no two seedings fell into one millisecond";
}

TEST(RandomInRange, EqualBoundsAnswerWithoutADraw)
{
    SeedRandom(777);
    EXPECT_EQ(RandomInRange(5, 5), 5);
    EXPECT_EQ(RandomInRange(-3, -9), 0);  // both become 0
    EXPECT_EQ(RandomInRange(0, 0), 0);
    EXPECT_EQ(RandomInRange(INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(RandomState(), 777u);
}

TEST(RandomInRange, IsTheLowerBoundPlusOneDrawModuloTheWidth)
{
    SeedRandom(1);  // first draw 41, then 18467
    EXPECT_EQ(RandomInRange(202105, 20210514), 202105 + 41);
    EXPECT_EQ(RandomInRange(20210514, 202105), 202105 + 18467);
    SeedRandom(1);
    EXPECT_EQ(RandomInRange(1, 10), 1 + 41 % 10);
    EXPECT_EQ(RandomInRange(), 18467);  // 0 to 2147483647: the draw itself
}

struct RangeCase {
    std::optional<std::int32_t> lowest;
    std::optional<std::int32_t> highest;
    std::int32_t min;
    std::int32_t max;
};

class RandomInRangeBounds : public testing::TestWithParam<RangeCase> {};

TEST_P(RandomInRangeBounds, StayInsideOverManySeeds)
{
    const RangeCase& c = GetParam();
    std::int32_t seenMin = INT_MAX, seenMax = INT_MIN;
    for (std::uint32_t seed = 0; seed < 200000; ++seed) {
        SeedRandom(seed * 2654435761u);  // spread over the whole state space
        std::int32_t value = RandomInRange(c.lowest, c.highest);
        seenMin = std::min(seenMin, value);
        seenMax = std::max(seenMax, value);
    }
    EXPECT_EQ(seenMin, c.min);
    EXPECT_EQ(seenMax, c.max);
}

INSTANTIATE_TEST_SUITE_P(Cases, RandomInRangeBounds,
                         testing::Values(RangeCase{202105, 20210514, 202105, 234872},  // always six digits
                                         RangeCase{20210514, 202105, 202105, 234872},  // bounds in either order
                                         RangeCase{10, 1, 1, 10}, RangeCase{1, 10, 1, 10},
                                         RangeCase{-5, 3, 0, 3},  // a negative bound becomes 0
                                         RangeCase{3, -5, 0, 3}, RangeCase{std::nullopt, std::nullopt, 0, 32767},
                                         RangeCase{INT_MAX, 0, 0, 32767},  // the widest range, capped
                                         RangeCase{INT_MAX - 1, INT_MAX, INT_MAX - 1, INT_MAX},
                                         RangeCase{100, std::nullopt, 100, 100 + 32767}));

}  // namespace
}  // namespace dovrel
