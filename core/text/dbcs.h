#pragma once
// The one double-byte stepping rule that every scan of a text shares.
//
// A byte from 0x80 up starts a two-byte character of code page 936 and the
// scan moves past both bytes at once, so a trail byte that happens to equal
// "\" (0x5C) or "." is never taken for a separator. No code-page table is
// consulted: the high bit alone decides, exactly as the program's texts are
// defined, whatever the machine's code page.

#include <cstddef>

namespace dovrel {

inline bool IsLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0x80; }

// Size of the character that starts at data[at], out of a text of `length`
// bytes: 1 or 2, or 0 when a lead byte is the text's last byte (the scan
// ends there: a lead byte directly before the terminating zero).
inline std::size_t CharacterSize(const char* data, std::size_t length, std::size_t at)
{
    if (!IsLeadByte(data[at])) return 1;
    return at + 1 < length ? 2 : 0;
}

// Calls visit(offset) for every character start, in order, until visit
// returns false or the text ends by the stepping rule.
template <typename Visit>
void ForEachCharacterStart(const char* data, std::size_t length, Visit visit)
{
    std::size_t at = 0;
    while (at < length) {
        if (!visit(at)) return;
        std::size_t size = CharacterSize(data, length, at);
        if (size == 0) return;
        at += size;
    }
}

}  // namespace dovrel
