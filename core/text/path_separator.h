#pragma once
// The last separator of a path: "\" or "/", stepped over by whole
// characters, so the trail byte 0x5C of a double-byte character (誠 is
// 0xD5 0x5C) is never taken for one.

#include <cstddef>
#include <string_view>

#include "core/text/ascii.h"
#include "core/text/dbcs.h"

namespace dovrel {

// The offset of the path's last separator character, or npos for none.
inline std::size_t LastSeparator(std::string_view path)
{
    std::size_t last = std::string_view::npos;
    ForEachCharacterStart(path.data(), path.size(), [&](std::size_t at) {
        if (IsPathSeparator(path[at])) last = at;
        return true;
    });
    return last;
}

// Whether the path's last character is a separator.
inline bool EndsWithSeparator(std::string_view path) { return !path.empty() && LastSeparator(path) == path.size() - 1; }

}  // namespace dovrel
