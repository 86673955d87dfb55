#pragma once
// Drives a real platform file dialog from a helper thread, as a person
// would: the test creates a driver, then calls the code that shows the
// dialog on its own thread; the helper finds the dialog among that thread's
// windows, records what it shows, then types a path and presses OK, or
// presses Cancel. Every wait has a deadline and the helper cancels whatever
// box of the thread is still open at the end, so a test never hangs.

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace dovrel::test {

// What the dialog showed when the helper found it.
struct FileDialogView {
    bool found = false;
    std::string title;           // window text
    std::string fileNameField;   // text of the file-name field
    std::string selectedFilter;  // selected entry of the file-type box
    int filterCount = -1;        // entries of the file-type box
    std::string folder;          // the folder shown (CDM_GETFOLDERPATH)
    std::string controls;        // one line per child: id, class, text (diagnostics)
};

class FileDialogDriver {
public:
    enum class Action { Confirm, Cancel };

    // Watches the calling thread's windows; Confirm types path (when not
    // empty) into the file-name field before pressing OK.
    explicit FileDialogDriver(Action action, std::string path = {});
    ~FileDialogDriver();
    FileDialogDriver(const FileDialogDriver&) = delete;
    FileDialogDriver& operator=(const FileDialogDriver&) = delete;

    // Call after the dialog call returned: stops the helper and answers what
    // it saw.
    FileDialogView Finish();

private:
    void Run();

    const Action action_;
    const std::string path_;
    const DWORD dialogThread_;
    std::atomic<bool> stop_{false};
    FileDialogView view_;
    std::thread helper_;
};

}  // namespace dovrel::test
