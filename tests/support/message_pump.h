#pragma once
// Waiting on the user-interface thread without blocking it: the thread's
// windows (and COM calls into its apartment) keep being served meanwhile.

#include <windows.h>

namespace dovrel::test {

// Dispatches this thread's messages until handle is signalled (true) or
// timeoutMs has passed (false).
bool PumpUntilSignalled(HANDLE handle, DWORD timeoutMs);

// Dispatches this thread's messages for milliseconds.
void PumpFor(DWORD milliseconds);

}  // namespace dovrel::test
