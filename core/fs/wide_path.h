#pragma once
// The one conversion of a path text for the wide file calls, which take
// every name Explorer can show and, in the "\\?\" form, paths longer than
// MAX_PATH.

#include <string>

#include "core/text/text.h"

namespace dovrel {

// The path as UTF-16 (WideFromText). From kLongPathFrom units on, a drive
// or share path is made full (as every call does with a short one: "..",
// "/" and trailing dots and spaces resolved) and given the "\\?\" form
// ("\\?\C:\..." or "\\?\UNC\server\share\..."); device and "\\?\" paths
// stay as they are.
std::wstring WidePath(const Text& path);

// CreateDirectoryW's limit (MAX_PATH less room for an 8.3 name); shorter
// paths are handed over as they are.
constexpr std::size_t kLongPathFrom = 248;

}  // namespace dovrel
