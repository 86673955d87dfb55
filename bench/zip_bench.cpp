// Times one ZipExtractor call and reports the process's memory around it.
// Usage: zip_bench <archive> <target folder>
// Prints one line of key=value pairs for the benchmark script.

#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "core/zip_extractor.h"

namespace {

PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

double Megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: zip_bench <archive> <target folder>\n");
        return 2;
    }
    PROCESS_MEMORY_COUNTERS before = Memory();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::int32_t result = dovrel::ZipExtractor(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS after = Memory();

    double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("result=%d seconds=%.3f working_set_before_mb=%.2f peak_working_set_mb=%.2f "
                "private_before_mb=%.2f peak_private_mb=%.2f\n",
                static_cast<int>(result), seconds, Megabytes(before.WorkingSetSize),
                Megabytes(after.PeakWorkingSetSize), Megabytes(before.PagefileUsage),
                Megabytes(after.PeakPagefileUsage));
    return result == 1 ? 0 : 1;
}
