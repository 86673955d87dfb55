#pragma once
// Byte tests every scan of a path or name shares. A double-byte character
// never equals an ASCII letter or separator when it is stepped over as one
// character (core/dbcs.h), so these look at single bytes only.

#include "core/text/dbcs.h"
#include "core/text/text.h"

namespace dovrel {

inline bool IsPathSeparator(char byte) { return byte == '\\' || byte == '/'; }

inline char FoldAsciiCase(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

// Folds the ASCII letters of a text; the trail byte of a double-byte
// character (0x41 to 0x5A are trail bytes too) is kept, so two different
// Chinese characters never fold to one.
inline Text FoldAsciiCase(const Text& text)
{
    Text folded = text;
    ForEachCharacterStart(text.data(), text.size(), [&](std::size_t at) {
        if (!IsLeadByte(text[at])) folded[at] = FoldAsciiCase(text[at]);
        return true;
    });
    return folded;
}

}  // namespace dovrel
