#pragma once
// Global memory blocks: an owner that frees the block, and a scoped lock
// that gives the block's bytes and unlocks on destruction.

#include <windows.h>

#include <cstddef>

#include "core/base/unique_handle.h"

namespace dovrel {

struct GlobalMemoryTraits {  // GlobalAlloc
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
using UniqueGlobal = UniqueHandleOf<GlobalMemoryTraits>;

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
