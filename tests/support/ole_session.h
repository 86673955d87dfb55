#pragma once
// OLE on the calling thread for one test, as the program sets it up at
// start; given back only if this object initialised it.

#include <ole2.h>

namespace dovrel::test {

class ScopedOle {
public:
    ScopedOle() : result_(OleInitialize(nullptr)) {}
    ~ScopedOle()
    {
        if (SUCCEEDED(result_)) OleUninitialize();
    }
    ScopedOle(const ScopedOle&) = delete;
    ScopedOle& operator=(const ScopedOle&) = delete;
    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace dovrel::test
