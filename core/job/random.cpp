#include "core/job/random.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace dovrel {

namespace {

thread_local std::uint32_t threadState = 1;

// Process-wide and shared by every thread; the update is atomic so that
// two threads seeding at once still take different seeds.
std::atomic<std::uint32_t> seedAdjustment{0};

constexpr std::int32_t kHighestDefault = 0x7FFFFFFF;
constexpr std::int32_t kWidestRange = 0x7FFFFFFE;

}  // namespace

TickSeeding TickSeed(std::uint32_t tick, std::uint32_t adjustment)
{
    std::uint32_t seed = tick + adjustment;
    return {seed, adjustment + (seed & 0xFF) + 100};
}

void SeedRandom(std::uint32_t seed) { threadState = seed; }

void SeedRandom()
{
    const std::uint32_t tick = GetTickCount();
    std::uint32_t adjustment = seedAdjustment.load(std::memory_order_relaxed);
    TickSeeding seeding = TickSeed(tick, adjustment);
    while (!seedAdjustment.compare_exchange_weak(adjustment, seeding.nextAdjustment, std::memory_order_relaxed)) {
        seeding = TickSeed(tick, adjustment);
    }
    threadState = seeding.seed;
}

std::int32_t NextRandom()
{
    threadState = threadState * 214013u + 2531011u;
    return static_cast<std::int32_t>((threadState >> 16) & 0x7FFF);
}

std::uint32_t RandomState() { return threadState; }

std::int32_t RandomInRange(std::optional<std::int32_t> lowest, std::optional<std::int32_t> highest)
{
    const std::int32_t a = std::max<std::int32_t>(lowest.value_or(0), 0);
    const std::int32_t b = std::max<std::int32_t>(highest.value_or(kHighestDefault), 0);
    const std::int32_t lo = std::min(a, b);
    const std::int32_t hi = std::max(a, b);
    if (lo == hi) return lo;
    const std::int32_t width = std::min(hi - lo, kWidestRange);
    return lo + NextRandom() % (width + 1);
}

}  // namespace dovrel
