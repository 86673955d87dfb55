#pragma once
// Global memory blocks: a scoped lock that gives the block's bytes and
// unlocks on destruction (the owner, UniqueGlobal, is in unique_handle.h).

#include <windows.h>

#include <cstddef>

#include "core/base/unique_handle.h"

namespace dovrel {

class GlobalLockView {
public:
    explicit GlobalLockView(HGLOBAL block)
        : block_(block), data_(block ? static_cast<char*>(GlobalLock(block)) : nullptr),
          size_(data_ ? GlobalSize(block) : 0)
    {
    }
    ~GlobalLockView()
    {
        if (data_) GlobalUnlock(block_);
    }
    GlobalLockView(const GlobalLockView&) = delete;
    GlobalLockView& operator=(const GlobalLockView&) = delete;

    // Null when the block could not be locked.
    char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    HGLOBAL block_;
    char* data_;
    std::size_t size_;
};

}  // namespace dovrel
