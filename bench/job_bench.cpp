// Runs the extraction job once, the same code the extract button runs,
// through its user seam (no message box, no shell window), and reports its
// time, its progress reports and the process's memory around it.
//
//   job_bench [--memory] <document> <Documents folder>
//   job_bench [--memory] @<list> <Documents folder>
//   job_bench --floor <document> <folder>
//   job_bench --walk <folder>
//
// Prints one line of key=value pairs for bench/job_bench.py: the outcome
// (the message the user would see), the seconds RunExtraction took, the
// number of progress reports and the longest time between two of them (from
// the start to the first, between reports, and from the last to the end),
// and the private bytes and working set before and at their peak. With
// --memory the mapped file bytes (the document's views, which the system
// can drop at any time: what a user's Task Manager counts is the private
// bytes) are sampled at the reports too, which costs the job some time.
//
// @<list> chooses every document named in the file list, one full path a
// line, as a batch chosen in the dialog (bench/folder_bench.py).
//
// --floor times what Wine alone costs for the job's output: each media file
// of the document (the entries under ppt/media/) created new in one folder,
// written 64 KB at a time and closed, nothing read from the document.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "bench/measure.h"
#include "core/job/document_folder.h"
#include "core/job/document_kind.h"
#include "core/job/extraction_job.h"
#include "core/shell/user_seam.h"
#include "core/job/work_paths.h"
#include "core/zip/zip_reader.h"
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

// The committed bytes of mapped views in this process.
SIZE_T MappedBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_MAPPED) total += region.RegionSize;
    }
    return total;
}

class GapProgress : public dovrel::Progress {
public:
    GapProgress(double start, bool sampleMapped) : sampleMapped_(sampleMapped), last_(start) {}
    bool Report(std::uint64_t, std::uint64_t) override
    {
        const double now = Now();
        Mark(now);
        ++reports;
        if (sampleMapped_ && now - lastSample_ > 0.005) {
            peakMapped = std::max(peakMapped, MappedBytes());
            lastSample_ = now;
        }
        return true;
    }
    void Mark(double now)
    {
        longestGap = std::max(longestGap, now - last_);
        last_ = now;
    }
    int reports = 0;
    double longestGap = 0;
    SIZE_T peakMapped = 0;

private:
    bool sampleMapped_;
    double last_;
    double lastSample_ = 0;
};

// The names and sizes of the document's media files.
std::vector<dovrel::ZipEntryInfo> MediaEntries(const char* document)
{
    std::vector<dovrel::ZipEntryInfo> media;
    dovrel::ZipReader reader;
    if (reader.Open(document) != dovrel::kZipOk) return media;
    dovrel::ZipEntryInfo info;
    for (std::int32_t i = 0; reader.EntryInfo(i, info) == dovrel::kZipOk; ++i) {
        if (info.name.compare(0, 10, "ppt/media/") == 0 && !info.IsFolder()) media.push_back(info);
    }
    return media;
}

int Floor(const char* document, const std::string& target)
{
    static char zeros[65536];
    const std::vector<dovrel::ZipEntryInfo> media = MediaEntries(document);
    const double start = Now();
    bool ok = CreateDirectoryA(target.c_str(), nullptr) != 0;
    for (const dovrel::ZipEntryInfo& entry : media) {
        if (!ok) break;
        const std::string path = target + "\\" + entry.name.substr(10);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) ok = false;
        for (std::uint64_t left = entry.uncompressedSize; ok && left > 0;) {
            const DWORD piece = left < sizeof zeros ? static_cast<DWORD>(left) : sizeof zeros;
            DWORD written = 0;
            ok = WriteFile(file, zeros, piece, &written, nullptr) && written == piece;
            left -= piece;
        }
        if (file != INVALID_HANDLE_VALUE && !CloseHandle(file)) ok = false;
    }
    std::printf("result=%s seconds=%.4f files=%zu\n", ok ? "extracted" : "failed", Now() - start, media.size());
    return ok ? 0 : 1;
}

// The folder walk alone, which judges each candidate's kind by content, then
// that judging alone again over the documents it found.
int Walk(const char* folder)
{
    const double start = Now();
    const dovrel::FolderDocuments found = dovrel::FindFolderDocuments(folder, "Z:\\nowhere", [] { return true; });
    const double walked = Now();
    for (const dovrel::FolderDocument& document : found.documents) dovrel::DocumentTypeOf(document.path);
    std::printf("result=extracted seconds=%.4f judge_seconds=%.4f documents=%zu\n", walked - start, Now() - walked,
                found.documents.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--floor") == 0) return Floor(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--walk") == 0) return Walk(argv[2]);
    const bool sampleMapped = argc == 4 && std::strcmp(argv[1], "--memory") == 0;
    if (argc != 3 && !sampleMapped) {
        std::fprintf(stderr, "usage: job_bench [--memory] <document> <Documents folder>\n"
                             "       job_bench --floor <document> <folder>\n");
        return 2;
    }
    argv += argc - 3;
    std::string documents = argv[2];
    if (documents.empty() || documents.back() != '\\') documents += '\\';
    BenchSeam seam(documents);
    dovrel::test::ScopedOverride<dovrel::UserSeam*> scoped(dovrel::InstallUserSeam, &seam);
    dovrel::SetUpWorkPaths();
    if (argv[1][0] == '@') {
        std::vector<dovrel::Text> chosen;
        std::ifstream list(argv[1] + 1);
        for (std::string line; std::getline(list, line);)
            if (!line.empty()) chosen.push_back(line);
        dovrel::SetSelectedDocuments(std::move(chosen));
    } else {
        dovrel::SetSelectedDocuments({argv[1]});
    }

    PROCESS_MEMORY_COUNTERS before = Memory();
    const SIZE_T mappedBefore = sampleMapped ? MappedBytes() : 0;
    const double start = Now();
    GapProgress progress(start, sampleMapped);
    dovrel::RunExtraction(&progress);
    const double end = Now();
    progress.Mark(end);
    PROCESS_MEMORY_COUNTERS after = Memory();

    const bool extracted = seam.message() == "提取成功！";
    std::printf("result=%s seconds=%.4f reports=%d longest_gap_ms=%.1f working_set_before_mb=%.2f "
                "peak_working_set_mb=%.2f private_before_mb=%.2f peak_private_mb=%.2f mapped_before_mb=%.2f "
                "peak_mapped_mb=%.2f\n",
                extracted ? "extracted" : "failed", end - start, progress.reports, progress.longestGap * 1000,
                Megabytes(before.WorkingSetSize), Megabytes(after.PeakWorkingSetSize), Megabytes(before.PagefileUsage),
                Megabytes(after.PeakPagefileUsage), Megabytes(mappedBefore),
                Megabytes(std::max(mappedBefore, progress.peakMapped)));
    dovrel::ReleaseWorkPaths();
    return extracted ? 0 : 1;
}
