#include "ui/window_job_progress.h"

#include "runtime/message_loop.h"
#include "runtime/window_builder.h"

namespace dovrel {

Text ProgressTitle(const Text& caption, int percent)
{
    if (percent < 0) return caption;
    return caption + " - " + ToText(percent > 100 ? 100 : percent) + "%";
}

WindowJobProgress::WindowJobProgress(HWND window, const Text& caption, ITaskbarList3* taskbar,
                                     std::function<bool()> stopRequested, MillisecondClock clock)
    : window_(window), caption_(caption), taskbar_(taskbar), stopRequested_(std::move(stopRequested)), pace_(clock)
{
    if (taskbar_) taskbar_->SetProgressState(window_, TBPF_NORMAL);
    Report(0, 100);
}

WindowJobProgress::~WindowJobProgress()
{
    if (IsWindow(window_)) SetWindowTextOf(window_, caption_);
    if (taskbar_) taskbar_->SetProgressState(window_, TBPF_NOPROGRESS);
}

bool WindowJobProgress::Report(std::uint64_t done, std::uint64_t total)
{
    const int percent = PercentOf(done, total);
    const ProgressPace::Step step = pace_.Next(percent);
    if (step.show && IsWindow(window_)) {
        SetWindowTextOf(window_, ProgressTitle(caption_, percent));
        if (taskbar_) taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(percent), 100);
    }
    if (step.pump && !PumpPendingMessages()) quit_ = true;
    return !quit_ && !(stopRequested_ && stopRequested_());
}

void WindowJobProgress::Ended(bool failed)
{
    if (IsWindow(window_)) SetWindowTextOf(window_, caption_);
    if (taskbar_) taskbar_->SetProgressState(window_, failed ? TBPF_ERROR : TBPF_NOPROGRESS);
}

}  // namespace dovrel
