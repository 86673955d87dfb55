#pragma once
// Owning wrappers for Win32 handles: every kind the program owns, in this
// one header. Two kinds of "invalid" value: CreateFileA and FindFirstFileA
// fail with INVALID_HANDLE_VALUE, most other calls with NULL. Movable, never copyable; closing keeps GetLastError().

#include <windows.h>

#include <utility>

namespace dovrel {

template <typename Traits>
class UniqueHandleOf {
public:
    using Handle = typename Traits::Handle;

    UniqueHandleOf() = default;
    explicit UniqueHandleOf(Handle handle) : handle_(handle) {}
    ~UniqueHandleOf() { reset(); }
    UniqueHandleOf(UniqueHandleOf&& other) noexcept : handle_(other.release()) {}
    UniqueHandleOf& operator=(UniqueHandleOf&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandleOf(const UniqueHandleOf&) = delete;
    UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid())
    {
        if (handle_ != Traits::Invalid()) {
            DWORD error = GetLastError();
            Traits::Close(handle_);
            SetLastError(error);
        }
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::Invalid();
};

struct FileHandleTraits {  // CreateFileA
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {  // FindFirstFileA
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
struct KernelHandleTraits {  // processes, threads, events
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};

struct ViewTraits {  // MapViewOfFile
    using Handle = void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle view) { UnmapViewOfFile(view); }
};
struct GlobalMemoryTraits {  // GlobalAlloc
    using Handle = HGLOBAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
struct ScreenDcTraits {  // GetDC(nullptr)
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ReleaseDC(nullptr, h); }
};
struct GdiObjectTraits {  // fonts, bitmaps, brushes
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
struct MemoryDcTraits {  // CreateCompatibleDC
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
struct EnhMetaFileTraits {  // SetEnhMetaFileBits, SetWinMetaFileBits
    using Handle = HENHMETAFILE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteEnhMetaFile(h); }
};

struct MenuTraits {  // CreatePopupMenu
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyMenu(h); }
};

using UniqueFile = UniqueHandleOf<FileHandleTraits>;
using UniqueFind = UniqueHandleOf<FindHandleTraits>;
using UniqueHandle = UniqueHandleOf<KernelHandleTraits>;
using UniqueView = UniqueHandleOf<ViewTraits>;
using UniqueGlobal = UniqueHandleOf<GlobalMemoryTraits>;
using UniqueScreenDc = UniqueHandleOf<ScreenDcTraits>;
using UniqueGdiObject = UniqueHandleOf<GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandleOf<MemoryDcTraits>;
using UniqueEnhMetaFile = UniqueHandleOf<EnhMetaFileTraits>;
using UniqueMenu = UniqueHandleOf<MenuTraits>;

}  // namespace dovrel
