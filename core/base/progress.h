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

// A part of a whole piece of work: its reports, as a percent of the part,
// become the whole's points from `first` to `last` of `total`. Remembers a
// stop the whole asked for, which the part's work may end as it ends a
// finished walk.
class ProgressPart final : public Progress {
public:
    ProgressPart(Progress& whole, std::uint64_t first, std::uint64_t last, std::uint64_t total)
        : whole_(whole), first_(first), last_(last), total_(total)
    {
    }
    bool Report(std::uint64_t done, std::uint64_t total) override
    {
        const std::uint64_t points = first_ + PercentOf(done, total) * (last_ - first_) / 100;
        if (!whole_.Report(points, total_)) stopped_ = true;
        return !stopped_;
    }
    bool stopped() const { return stopped_; }

private:
    Progress& whole_;
    std::uint64_t first_, last_, total_;
    bool stopped_ = false;
};

}  // namespace dovrel
