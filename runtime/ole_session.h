#pragma once
// OLE for the user-interface thread, for as long as the object lives. It is
// uninitialised only if this object initialised it.

#include <ole2.h>

namespace dovrel {

class OleSession {
public:
    OleSession() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession()
    {
        if (initialised_) OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

    bool initialised() const { return initialised_; }

private:
    bool initialised_;
};

}  // namespace dovrel
