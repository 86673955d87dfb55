#include "core/text/text.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "core/text/ascii.h"
#include "core/text/dbcs.h"

namespace dovrel {

namespace {

// Whether the n bytes at `at` equal sought. Case folding applies to the
// single-byte characters of sought only: the trail byte of a two-byte
// character may look like a letter, and folding it would make two
// different Chinese characters equal.
bool MatchesAt(const char* data, std::size_t at, const Text& sought, bool ignoreCase)
{
    if (!ignoreCase) return std::memcmp(data + at, sought.data(), sought.size()) == 0;
    bool equal = true;
    ForEachCharacterStart(sought.data(), sought.size(), [&](std::size_t i) {
        std::size_t size = CharacterSize(sought.data(), sought.size(), i);
        if (size == 1) {
            equal = FoldAsciiCase(data[at + i]) == FoldAsciiCase(sought[i]);
        } else {
            // A two-byte character, or a lone lead byte ending sought (size 0).
            equal = std::memcmp(data + at + i, sought.data() + i, size == 2 ? 2 : 1) == 0;
        }
        return equal;
    });
    return equal;
}

}  // namespace

Text ToText(std::int32_t value) { return std::to_string(value); }

Text ToText(const Text& text) { return text; }

std::int32_t TextLength(const Text& text) { return static_cast<std::int32_t>(text.size()); }

std::int32_t FindLastText(const Text& text, const Text& sought, std::optional<std::int32_t> start, bool ignoreCase)
{
    const std::size_t length = text.size();
    const std::size_t n = sought.size();

    // The searched stretch: the first `stretch` bytes of text.
    std::size_t stretch = length;
    if (start) {
        std::int64_t k = static_cast<std::int64_t>(*start) - 1;
        stretch = k <= 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(k), length);
    }
    if (n == 0) return stretch > 0 ? 1 : -1;

    std::int32_t last = -1;
    ForEachCharacterStart(text.data(), length, [&](std::size_t at) {
        if (at > stretch || stretch - at < n) return false;
        if (MatchesAt(text.data(), at, sought, ignoreCase)) last = static_cast<std::int32_t>(at + 1);
        return true;
    });
    return last;
}

std::vector<Text> SplitText(const Text& text, const Text& separator, std::optional<std::int32_t> maxMembers)
{
    std::vector<Text> members;
    const std::size_t length = text.size();
    const std::size_t n = separator.size();
    const bool limited = maxMembers.has_value();
    std::int64_t left = limited ? std::max<std::int32_t>(*maxMembers, 0) : 0;

    if (length == 0 || (limited && left == 0)) return members;
    if (n == 0) return {text};

    const char* data = text.data();
    std::size_t memberStart = 0;
    std::size_t at = 0;
    bool limitReached = false;
    while (length - at >= n) {
        if (std::memcmp(data + at, separator.data(), n) == 0) {
            members.emplace_back(data + memberStart, at - memberStart);
            at += n;
            memberStart = at;
            if (limited && --left == 0) {
                limitReached = true;
                break;
            }
        } else {
            std::size_t size = CharacterSize(data, length, at);
            if (size == 0) break;
            at += size;
        }
    }
    if (memberStart != length && !limitReached) members.emplace_back(data + memberStart, length - memberStart);
    return members;
}

Text RightText(const Text& text, std::int32_t count)
{
    if (count <= 0) return Text();
    std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(count), text.size());
    return text.substr(text.size() - take);
}

Text LeftText(const Text& text, std::int32_t count)
{
    if (count <= 0) return Text();
    return text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(count), text.size()));
}

std::int32_t CompareText(const Text& a, const Text& b)
{
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

Text JoinTexts(std::initializer_list<Text> pieces)
{
    std::size_t total = 0;
    for (const Text& piece : pieces) total += piece.size();
    Text joined;
    joined.reserve(total);
    for (const Text& piece : pieces) joined += piece;
    return joined;
}

}  // namespace dovrel
