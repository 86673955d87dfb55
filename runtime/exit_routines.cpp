#include "runtime/exit_routines.h"

#include <vector>

namespace dovrel {

namespace {
std::vector<ExitRoutine>& Routines()
{
    static std::vector<ExitRoutine> routines;
    return routines;
}
}  // namespace

void RegisterExitRoutine(ExitRoutine routine) { Routines().push_back(routine); }

void RunExitRoutines()
{
    std::vector<ExitRoutine> routines;
    routines.swap(Routines());
    for (ExitRoutine routine : routines) routine();
}

}  // namespace dovrel
