#pragma once
// The Microsoft C runtime's rand(): state = state * 214013 + 2531011, draws
// (state >> 16) & 0x7FFF. One state per thread, as in the C runtime; a
// thread that never seeds starts from state 1.

#include <cstdint>
#include <optional>

namespace dovrel {

void SeedRandom(std::uint32_t seed);
// Seeds from GetTickCount() plus a process-wide adjustment that grows by at
// least 100 per call, so two calls in one millisecond seed differently.
void SeedRandom();

// lowest defaults to 0, highest to 2147483647; negative bounds become 0 and
// the bounds may come in either order. Equal bounds answer without a draw.
// One draw (0..32767) modulo the width + 1, so the result never exceeds
// the lower bound + 32767.
std::int32_t RandomInRange(std::optional<std::int32_t> lowest = std::nullopt,
                           std::optional<std::int32_t> highest = std::nullopt);

// One draw, 0 to 32767, advancing the calling thread's state.
std::int32_t NextRandom();
// The calling thread's generator state (for checks).
std::uint32_t RandomState();

// The seed SeedRandom() takes at tick count t with the adjustment a, and
// the adjustment after it: seed = t + a, next = a + (seed & 0xFF) + 100,
// all modulo 2^32.
struct TickSeeding {
    std::uint32_t seed;
    std::uint32_t nextAdjustment;
};
TickSeeding TickSeed(std::uint32_t tick, std::uint32_t adjustment);

}  // namespace dovrel
