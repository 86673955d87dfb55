// The longest stretch in which the job does not report, for one document:
// at each report the window pumps its messages, so this is how long the
// window can go without answering while the job runs.
//
//   job_gap_bench <document> <work folder>
//
// The job runs on <work folder>\PPT_RES (cleared afterwards). Prints one
// line of key=value pairs: the outcome, the number of reports, the longest
// gap anywhere, the longest between two reports, and the stretches before
// the first report and after the last.

#include <windows.h>

#include <cstdio>

#include "core/extraction_job.h"
#include "core/scratch_tree.h"
#include "core/work_paths.h"

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class GapTimer final : public dovrel::JobProgress {
public:
    bool Report(int) override
    {
        double now = Now();
        double gap = now - last_;
        if (reports == 0) beforeFirst = gap;
        if (reports > 0 && gap > longestBetweenReports) longestBetweenReports = gap;
        if (gap > longest) longest = gap;
        last_ = now;
        ++reports;
        return true;
    }
    void Finish()
    {
        afterLast = Now() - last_;
        if (afterLast > longest) longest = afterLast;
    }

    int reports = 0;
    double longest = 0;
    double longestBetweenReports = 0;
    double beforeFirst = 0;  // the copy to the scratch archive, the archive's opening
    double afterLast = 0;    // the media's move, the scratch folder's clearing

private:
    double last_ = Now();
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: job_gap_bench <document> <work folder>\n");
        return 2;
    }
    dovrel::WorkPaths paths;
    paths.outputRoot = std::string(argv[2]) + "\\PPT_RES";
    paths.scratchFolder = paths.outputRoot + "\\TMP";
    paths.scratchArchive = paths.scratchFolder + "\\temp.zip";
    GapTimer timer;
    dovrel::DocumentOutcome outcome = dovrel::ExtractDocument(paths, argv[1], &timer);
    timer.Finish();
    dovrel::RemoveScratchTree(paths.outputRoot);
    std::printf(
        "outcome=%d reports=%d longest_gap_ms=%.1f longest_between_reports_ms=%.1f before_first_ms=%.1f "
        "after_last_ms=%.1f\n",
        static_cast<int>(outcome), timer.reports, timer.longest * 1000, timer.longestBetweenReports * 1000,
        timer.beforeFirst * 1000, timer.afterLast * 1000);
    return outcome == dovrel::DocumentOutcome::Extracted ? 0 : 1;
}
