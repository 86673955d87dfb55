#pragma once
// A moment's lock is not a failure: an indexer, a scanner or a viewer that
// opens a freshly written file refuses its move or removal for a moment.

#include <windows.h>

namespace dovrel {

inline bool IsMomentaryLock(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// The second or so that one whole operation may wait on locks: a tree with
// many files held open waits once, not once for every file.
class LockPatience {
public:
    bool Spent() const { return GetTickCount() - start_ >= kWaitMs; }

private:
    static constexpr DWORD kWaitMs = 1000;
    DWORD start_ = GetTickCount();
};

// Calls attempt() until it succeeds, retrying only while it fails with a
// sharing, lock or access violation and the patience lasts. Leaves the last
// failure's error for GetLastError.
template <typename Attempt>
bool RetryWhileLocked(Attempt attempt, const LockPatience& patience = LockPatience())
{
    static constexpr DWORD kPauses[] = {20, 40, 80, 160, 300, 400};
    for (DWORD pause : kPauses) {
        if (attempt()) return true;
        if (!IsMomentaryLock(GetLastError()) || patience.Spent()) return false;
        Sleep(pause);
    }
    return attempt();
}

}  // namespace dovrel
