#pragma once
// The Microsoft C runtime's rand(): state = state * 214013 + 2531011, draws
// (state >> 16) & 0x7FFF. One state per thread, as in the C runtime.

#include <cstdint>
#include <optional>

namespace dovrel {

void SeedRandom(std::uint32_t seed);
// Seeds from GetTickCount() plus a process-wide adjustment that grows by at
// least 100 per call, so two calls in one millisecond seed differently.
void SeedRandom();
std::int32_t RandomInRange(std::optional<std::int32_t> lowest = std::nullopt,
                           std::optional<std::int32_t> highest = std::nullopt);

}  // namespace dovrel
