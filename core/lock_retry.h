#pragma once
// A moment's lock is not a failure: an indexer, a scanner or a viewer that
// opens a freshly written file refuses its move or removal for a moment.

#include <windows.h>

namespace dovrel {

inline bool IsMomentaryLock(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// Calls attempt() until it succeeds, retrying only while it fails with a
// sharing, lock or access violation, over about a second in all. Leaves the
// last failure's error for GetLastError.
template <typename Attempt>
bool RetryWhileLocked(Attempt attempt)
{
    static constexpr DWORD kPauses[] = {20, 40, 80, 160, 300, 400};
    for (DWORD pause : kPauses) {
        if (attempt()) return true;
        if (!IsMomentaryLock(GetLastError())) return false;
        Sleep(pause);
    }
    return attempt();
}

}  // namespace dovrel
