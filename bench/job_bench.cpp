// Runs the extraction job once, the same code the extract button runs,
// through its user seam (no message box, no shell window), and reports its
// time, its progress reports and the process's memory around it.
//
//   job_bench <document> <Documents folder>
//
// Prints one line of key=value pairs for bench/job_bench.py: the outcome
// (the message the user would see), the seconds RunExtraction took, the
// number of progress reports and the longest time between two of them (from
// the start to the first, between reports, and from the last to the end),
// and the private bytes and working set before and at their peak.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench/measure.h"
#include "core/job/extraction_job.h"
#include "core/shell/user_seam.h"
#include "core/job/work_paths.h"
#include "tests/support/scoped_override.h"

namespace {

using bench::Megabytes;
using bench::Memory;
using bench::Now;

class BenchSeam : public dovrel::UserSeam {
public:
    explicit BenchSeam(std::string documents) : documents_(std::move(documents)) {}
    dovrel::Text DocumentsFolder() override { return documents_; }
    void ShowMessage(const dovrel::Text& message, const dovrel::Text&) override { message_ = message; }
    void OpenInShell(const dovrel::Text&) override {}
    const std::string& message() const { return message_; }

private:
    std::string documents_;
    std::string message_;
};

class GapProgress : public dovrel::Progress {
public:
    explicit GapProgress(double start) : last_(start) {}
    bool Report(std::uint64_t, std::uint64_t) override
    {
        Mark(Now());
        ++reports;
        return true;
    }
    void Mark(double now)
    {
        longestGap = std::max(longestGap, now - last_);
        last_ = now;
    }
    int reports = 0;
    double longestGap = 0;

private:
    double last_;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: job_bench <document> <Documents folder>\n");
        return 2;
    }
    std::string documents = argv[2];
    if (documents.empty() || documents.back() != '\\') documents += '\\';
    BenchSeam seam(documents);
    dovrel::test::ScopedOverride<dovrel::UserSeam*> scoped(dovrel::InstallUserSeam, &seam);
    dovrel::SetUpWorkPaths();
    dovrel::SetSelectedDocument(argv[1]);

    PROCESS_MEMORY_COUNTERS before = Memory();
    const double start = Now();
    GapProgress progress(start);
    dovrel::RunExtraction(&progress);
    const double end = Now();
    progress.Mark(end);
    PROCESS_MEMORY_COUNTERS after = Memory();

    const bool extracted = seam.message() == "提取成功！";
    std::printf("result=%s seconds=%.4f reports=%d longest_gap_ms=%.1f working_set_before_mb=%.2f "
                "peak_working_set_mb=%.2f private_before_mb=%.2f peak_private_mb=%.2f\n",
                extracted ? "extracted" : "failed", end - start, progress.reports, progress.longestGap * 1000,
                Megabytes(before.WorkingSetSize), Megabytes(after.PeakWorkingSetSize), Megabytes(before.PagefileUsage),
                Megabytes(after.PeakPagefileUsage));
    dovrel::ReleaseWorkPaths();
    return extracted ? 0 : 1;
}
