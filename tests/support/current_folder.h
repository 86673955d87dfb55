#pragma once
// The process's current folder, and a guard that puts it back when a test
// that moves it ends (declare it after any TempFolder it may point into, so
// the folder is left before it is removed).

#include <windows.h>

#include <string>

namespace dovrel::test {

inline std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    return length < MAX_PATH ? std::string(folder, length) : std::string();
}

class CurrentFolderGuard {
public:
    CurrentFolderGuard() : saved_(CurrentFolder()) {}
    ~CurrentFolderGuard() { SetCurrentDirectoryA(saved_.c_str()); }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;

private:
    std::string saved_;
};

}  // namespace dovrel::test
