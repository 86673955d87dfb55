#pragma once
// The process's current folder, read and replaced; a test that moves it
// does so through test::ScopedOverride(SwapCurrentFolder, folder).

#include <windows.h>

#include <string>

#include "tests/support/scoped_override.h"

namespace dovrel::test {

inline std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    return length < MAX_PATH ? std::string(folder, length) : std::string();
}

// Makes folder the current one and answers the one it replaces.
inline std::string SwapCurrentFolder(std::string folder)
{
    std::string previous = CurrentFolder();
    SetCurrentDirectoryA(folder.c_str());
    return previous;
}

}  // namespace dovrel::test
