// Dovrel's entry: one running copy, OLE, the program folder, the end
// routines, the main window, the message loop; then the end routines and
// OLE in reverse.

#include <windows.h>
#include <commctrl.h>

#include "core/shell/shell.h"
#include "core/job/work_paths.h"
#include "runtime/exit_routines.h"
#include "runtime/fatal_error.h"
#include "runtime/message_loop.h"
#include "runtime/ole_session.h"
#include "runtime/single_instance.h"
#include "runtime/window_builder.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // A second copy would clear the scratch folder under the first one's
    // job: it shows the first one instead, touching nothing.
    dovrel::SingleInstance oneCopy;
    if (!oneCopy.first()) {
        dovrel::BringRunningCopyToFront(dovrel::kWindowClassName);
        return 0;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    dovrel::OleSession ole;
    dovrel::InitProgramFolder();
    dovrel::RegisterExitRoutine(dovrel::ReleaseWorkPaths);

#ifdef DOVREL_FAILING_UNIT
    // A test build of the program whose start-up fails for real.
    dovrel::MainWindow::SetFailingUnit(DOVREL_FAILING_UNIT);
#endif
    std::unique_ptr<dovrel::MainWindow> window = dovrel::MainWindow::Create(instance);
    if (!window) dovrel::ReportFatalError(dovrel::kStartupWindowLoadFailedMessage);

    int exitCode = dovrel::RunMessageLoop(window->handle());
    window.reset();
    dovrel::RunExitRoutines();
    return exitCode;
}
