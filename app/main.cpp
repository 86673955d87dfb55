// Dovrel's entry: OLE, the program folder, the end routines, the main
// window, the message loop; then the end routines and OLE in reverse.

#include <windows.h>

#include "runtime/exit_routines.h"
#include "runtime/fatal_error.h"
#include "runtime/message_loop.h"
#include "runtime/ole_session.h"
#include "core/shell.h"
#include "core/work_paths.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    dovrel::OleSession ole;
    dovrel::InitProgramFolder();
    dovrel::RegisterExitRoutine(dovrel::ReleaseWorkPaths);

    std::unique_ptr<dovrel::MainWindow> window = dovrel::MainWindow::Create(instance);
    if (!window) dovrel::ReportFatalError(dovrel::kStartupWindowLoadFailedMessage);

    int exitCode = dovrel::RunMessageLoop(window->handle());
    window.reset();
    dovrel::RunExitRoutines();
    return exitCode;
}
