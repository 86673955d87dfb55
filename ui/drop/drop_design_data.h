#pragma once
// The drop target's stored settings: little-endian 32-bit integers
//   offset 0 version (1 when written; 0 and 1 read), 4 text switch,
//   8 HTML switch, 12 URL switch, 16 files switch; any non-zero switch is on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/drop/drop_kinds.h"

namespace dovrel {

constexpr std::size_t kDropDesignDataSize = 20;
constexpr std::int32_t kDropDesignDataVersion = 1;

// No data at all: every switch off. None for a version other than 0 or 1,
// or data too short for the five integers; bytes past them are ignored.
std::optional<DropSwitches> ParseDropDesignData(const std::string& bytes);

// Version 1 and the four switches as 0 or 1: kDropDesignDataSize bytes.
std::string WriteDropDesignData(const DropSwitches& switches);

}  // namespace dovrel
