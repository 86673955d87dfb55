#pragma once
// One running copy per user logon: two copies would share the scratch
// folder and clear each other's work mid-run. The first copy holds a named
// mutex in the Local\ namespace for its lifetime; a later copy hands the
// documents it was given to the first one (WM_COPYDATA) and ends.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

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

// What a hand-over's COPYDATASTRUCT carries: dwData kHandOverDocuments,
// the documents as UTF-16 paths, each ended by a zero character.
inline constexpr ULONG_PTR kHandOverDocuments = 0x44565231;  // "DVR1"
std::wstring HandOverPayload(const std::vector<std::wstring>& documents);
// The documents of a hand-over; nothing when data is no hand-over or is
// cut short (it comes from another process: every size is checked).
std::optional<std::vector<std::wstring>> DocumentsFromHandOver(const COPYDATASTRUCT& data);

// Sends documents to the running copy's window of windowClass, waiting up
// to timeoutMs for a copy that is still starting. True once it took them.
bool HandDocumentsToRunningCopy(const char* windowClass, const std::vector<std::wstring>& documents,
                                DWORD timeoutMs = 10000);

}  // namespace dovrel
