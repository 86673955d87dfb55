#pragma once
// One running copy per user logon: two copies would share the scratch
// folder and clear each other's work mid-run. The first copy holds a named
// mutex in the Local\ namespace for its lifetime.

#include <windows.h>

#include "core/base/unique_handle.h"

namespace dovrel {

inline constexpr char kSingleInstanceMutexName[] = "Local\\Dovrel.OneRunningCopy";

class SingleInstance {
public:
    explicit SingleInstance(const char* mutexName = kSingleInstanceMutexName);
    // Whether this is the only running copy. Also true when the mutex
    // cannot be made at all: a copy that cannot tell still runs.
    bool first() const { return first_; }

private:
    UniqueHandle mutex_;
    bool first_ = true;
};

// Brings the running copy's top-level window of windowClass to the front,
// restored if minimised, or the box or dialog it has open in front of it.
// Waits up to timeoutMs for a copy that is still starting. False if no
// such window appeared.
bool BringRunningCopyToFront(const char* windowClass, DWORD timeoutMs = 5000);

}  // namespace dovrel
