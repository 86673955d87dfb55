#pragma once
// An owning COM interface pointer: one reference, given back on destruction.
// Copying takes another reference; moving hands the one reference over.

#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace dovrel {

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to pointer (which the caller keeps).
    explicit ComPtr(Interface* pointer) : pointer_(pointer)
    {
        if (pointer_) pointer_->AddRef();
    }
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) : ComPtr(other.pointer_) {}
    ComPtr(ComPtr&& other) noexcept : pointer_(other.detach()) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(pointer_, other.pointer_);
        return *this;
    }

    // Adopts a reference that the caller already holds (a fresh object, an
    // out parameter filled by a call).
    static ComPtr Adopt(Interface* pointer)
    {
        ComPtr owner;
        owner.pointer_ = pointer;
        return owner;
    }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For out parameters: gives back the current reference first.
    Interface** put()
    {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    Interface* detach() { return std::exchange(pointer_, nullptr); }
    void reset()
    {
        if (Interface* old = std::exchange(pointer_, nullptr)) old->Release();
    }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace dovrel
