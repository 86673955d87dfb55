#pragma once
// The program's end routines: run once, in the order of registration, after
// the message loop has ended. A fatal error ends the process without them.

namespace dovrel {

using ExitRoutine = void (*)();

void RegisterExitRoutine(ExitRoutine routine);
void RunExitRoutines();

}  // namespace dovrel
