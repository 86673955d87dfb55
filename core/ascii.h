#pragma once
// Byte tests every scan of a path or name shares. A double-byte character
// never equals an ASCII letter or separator when it is stepped over as one
// character (core/dbcs.h), so these look at single bytes only.

#include "core/text.h"

namespace dovrel {

inline bool IsPathSeparator(char byte) { return byte == '\\' || byte == '/'; }

inline char FoldAsciiCase(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

inline Text FoldAsciiCase(const Text& text)
{
    Text folded = text;
    for (char& byte : folded) byte = FoldAsciiCase(byte);
    return folded;
}

}  // namespace dovrel
