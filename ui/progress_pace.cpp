#include "ui/progress_pace.h"

#include <windows.h>

namespace dovrel {

std::uint64_t SystemMilliseconds()
{
    static const LONGLONG ticksPerMs = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return frequency.QuadPart >= 1000 ? frequency.QuadPart / 1000 : 1;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart / ticksPerMs);
}

ProgressPace::ProgressPace(MillisecondClock clock) : clock_(clock) {}

ProgressPace::Step ProgressPace::Next(int percent)
{
    const std::uint64_t now = clock_();
    const bool first = shown_ < 0;
    const bool full = percent >= 100 && shown_ < 100;
    if (!first && !full && now - lastPump_ < kPumpMs) return {};
    lastPump_ = now;
    const bool show = first || full || (percent != shown_ && now - lastShow_ >= kShowMs);
    if (show) {
        lastShow_ = now;
        shown_ = percent;
    }
    return {true, show};
}

}  // namespace dovrel
