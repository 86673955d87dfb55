#pragma once
// How a piece of work tells whoever runs it how far it is, and learns that
// it should stop: the job's window, the job itself, the zip extraction, an
// entry's data and the old-document reader all speak through this one
// interface. Called on the work's own thread.

#include <algorithm>
#include <cstdint>

namespace dovrel {

class Progress {
public:
    virtual ~Progress() = default;
    // done of total, in the work's own units (bytes, entries, percent
    // points); done never exceeds total. false asks the work to stop.
    virtual bool Report(std::uint64_t done, std::uint64_t total) = 0;
    // The work is over, before the user is told how it went.
    virtual void Ended(bool /*failed*/) {}
};

// done of total as a whole percent, rounded down; 100 when total is 0.
inline int PercentOf(std::uint64_t done, std::uint64_t total)
{
    if (total == 0) return 100;
    return static_cast<int>(std::min(done, total) * 100 / total);
}

// A report in percent points.
inline bool ReportPercent(Progress& progress, int percent)
{
    return progress.Report(static_cast<std::uint64_t>(std::clamp(percent, 0, 100)), 100);
}

}  // namespace dovrel
