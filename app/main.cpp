// Dovrel's entry: the documents on the command line, one running copy,
// OLE, the program folder, the end routines, the main window (given the
// documents), the message loop; then the end routines and OLE in reverse.

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "core/shell/shell.h"
#include "core/job/work_paths.h"
#include "runtime/command_line.h"
#include "runtime/exit_routines.h"
#include "runtime/fatal_error.h"
#include "runtime/message_loop.h"
#include "runtime/ole_session.h"
#include "runtime/single_instance.h"
#include "runtime/window_builder.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Windows gives the command line as UTF-16 whatever the code page.
    const std::vector<std::wstring> documents = dovrel::DocumentsFromCommandLine(GetCommandLineW());

    // A second copy would clear the scratch folder under the first one's
    // job: it hands its documents to the first one and shows it instead,
    // touching nothing.
    dovrel::SingleInstance oneCopy;
    if (!oneCopy.first()) {
        if (!documents.empty()) dovrel::HandDocumentsToRunningCopy(dovrel::kWindowClassName, documents);
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
    window->TakeDocuments(documents);

    int exitCode = dovrel::RunMessageLoop(window->handle());
    window.reset();
    dovrel::RunExitRoutines();
    return exitCode;
}
