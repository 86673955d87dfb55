#pragma once
// COM on this thread, in a single-threaded apartment, for as long as the
// object lives; undone only when this call did it (a window's thread that
// has OLE already keeps it).

#include <objbase.h>

namespace dovrel {

class ScopedCom {
public:
    ScopedCom() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ScopedCom()
    {
        if (initialised_) CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    bool initialised_;
};

}  // namespace dovrel
