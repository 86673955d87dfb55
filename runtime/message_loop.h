#pragma once
#include <windows.h>

namespace dovrel {

// Runs until the quit message arrives and answers its exit code. Dialog
// keys (Tab between the controls) work in dialogWindow while it exists.
int RunMessageLoop(HWND dialogWindow);

// Dispatches every message already waiting for this thread, then returns:
// a long piece of work on the user-interface thread calls it often, so the
// windows keep painting and answering. Answers false if the quit message
// came; it is posted again, so the main loop still ends on it.
bool PumpPendingMessages();

}  // namespace dovrel
