#pragma once
#include <windows.h>

namespace dovrel {

// Runs until the quit message arrives and answers its exit code. Dialog
// keys (Tab between the controls) work in dialogWindow while it exists.
int RunMessageLoop(HWND dialogWindow);

}  // namespace dovrel
