#pragma once
// Text operations on byte strings in the system code page (936 here).
// Lengths, counts and positions are bytes; positions are 1-based and -1
// means "not found". Searches and splits step over double-byte characters
// (core/dbcs.h); left and right parts count plain bytes.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace dovrel {

using Text = std::string;  // code page 936 bytes, never UTF-8

Text ToText(std::int32_t value);  // "%d"
Text ToText(const Text& text);    // a copy
std::int32_t TextLength(const Text& text);

// Position of the last occurrence of sought wholly inside the first
// start - 1 bytes (the whole text without start); -1 if none.
std::int32_t FindLastText(const Text& text, const Text& sought, std::optional<std::int32_t> start = std::nullopt,
                          bool ignoreCase = false);

std::vector<Text> SplitText(const Text& text, const Text& separator = ",",
                            std::optional<std::int32_t> maxMembers = std::nullopt);

Text RightText(const Text& text, std::int32_t count);
Text LeftText(const Text& text, std::int32_t count);

// Byte-wise, case-sensitive: 0, -1 or 1.
std::int32_t CompareText(const Text& a, const Text& b);

Text JoinTexts(std::initializer_list<Text> pieces);

}  // namespace dovrel
