#pragma once
// A file or folder held open the way viewers, indexers and scanners hold
// what they look at.

#include <windows.h>

#include <string>

#include "core/base/unique_handle.h"

namespace dovrel::test {

// Holds a file or folder open without delete sharing, as a viewer, an
// indexer or a scanner does, for `milliseconds` (or until the object ends).
class FileHolder {
public:
    explicit FileHolder(const std::string& path, DWORD milliseconds = INFINITE)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr)),
          held_(static_cast<bool>(handle_)), milliseconds_(milliseconds)
    {
        if (milliseconds != INFINITE && held_)
            release_ = UniqueHandle(CreateThread(nullptr, 0, Release, this, 0, nullptr));
    }
    ~FileHolder()
    {
        if (release_) WaitForSingleObject(release_.get(), INFINITE);
    }
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    // Whether the open succeeded.
    bool held() const { return held_; }

private:
    static DWORD WINAPI Release(void* self)
    {
        auto* holder = static_cast<FileHolder*>(self);
        Sleep(holder->milliseconds_);
        holder->handle_.reset();
        return 0;
    }
    UniqueFile handle_;
    bool held_;
    DWORD milliseconds_;
    UniqueHandle release_;
};

}  // namespace dovrel::test
