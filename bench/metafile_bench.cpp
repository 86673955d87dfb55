// Times the rendering of every metafile in a folder, one by one, the way
// the job renders them (read, unpack, play or unwrap, encode; the writing
// of the picture left out), and reports the process's memory around it.
//
//   metafile_bench <folder>
//
// Prints one line of key=value pairs: the metafiles, how many gave a
// picture, the total, median and longest seconds, and the private bytes
// before and at their peak.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "core/fs/file_ops.h"
#include "core/metafile/metafile_records.h"
#include "core/metafile/metafile_renderer.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: metafile_bench <folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (dovrel::IsMetafileName(data.cFileName)) names.push_back(data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    const PROCESS_MEMORY_COUNTERS before = bench::Memory();
    std::vector<double> seconds;
    int rendered = 0;
    const dovrel::RenderLimits limits;
    for (const std::string& name : names) {
        const double start = bench::Now();
        std::optional<std::string> bytes = dovrel::ReadWholeFile(folder + "\\" + name, limits.metafileBytes);
        std::optional<std::string> unpacked =
            bytes ? dovrel::UnpackMetafile(*bytes, limits.metafileBytes) : std::nullopt;
        dovrel::RenderedPicture picture;
        if (unpacked && dovrel::RenderMetafile(*unpacked, limits, nullptr, picture) == dovrel::RenderOutcome::Rendered)
            ++rendered;
        seconds.push_back(bench::Now() - start);
    }
    const PROCESS_MEMORY_COUNTERS after = bench::Memory();
    double total = 0;
    for (double s : seconds) total += s;
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds.empty() ? 0 : seconds[seconds.size() / 2];
    const double longest = seconds.empty() ? 0 : seconds.back();
    std::printf("metafiles=%zu rendered=%d seconds=%.4f median_s=%.4f longest_s=%.4f private_before_mb=%.2f "
                "peak_private_mb=%.2f\n",
                names.size(), rendered, total, median, longest, bench::Megabytes(before.PagefileUsage),
                bench::Megabytes(after.PeakPagefileUsage));
    return rendered == static_cast<int>(names.size()) ? 0 : 1;
}
