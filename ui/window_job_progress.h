#pragma once
// The job's progress shown on the main window while the job runs on the
// window's own thread: at the reports its pace lets through, the thread's
// waiting messages are dispatched (the window paints, moves and answers),
// the title reads "Dovrel - 42%" and the task-bar button fills. Ending
// restores the title and clears the button.

#include <windows.h>
#include <shobjidl.h>

#include <functional>

#include "core/base/com_ptr.h"
#include "core/base/progress.h"
#include "core/text/text.h"
#include "ui/progress_pace.h"

namespace dovrel {

// "Dovrel", or "Dovrel - 42%" while a job runs.
Text ProgressTitle(const Text& caption, int percent);

class WindowJobProgress final : public Progress {
public:
    // taskbar may be null (no task-bar button yet, or none on this system).
    // stopRequested is asked at each report: true stops the job.
    WindowJobProgress(HWND window, const Text& caption, ITaskbarList3* taskbar, std::function<bool()> stopRequested,
                      MillisecondClock clock = SystemMilliseconds);
    ~WindowJobProgress() override;
    WindowJobProgress(const WindowJobProgress&) = delete;
    WindowJobProgress& operator=(const WindowJobProgress&) = delete;

    bool Report(std::uint64_t done, std::uint64_t total) override;
    void Ended(bool failed) override;

private:
    HWND window_;  // not owned
    Text caption_;
    // A reference of its own: the window replaces its task-bar object when
    // the shell makes the button anew (Explorer restarted) mid-job.
    ComPtr<ITaskbarList3> taskbar_;
    std::function<bool()> stopRequested_;
    ProgressPace pace_;
    bool quit_ = false;
};

}  // namespace dovrel
