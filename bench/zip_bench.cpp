// Times one ZipExtractor call and reports the process's memory around it.
//
//   zip_bench <archive> <target folder>
//   zip_bench --floor <archive> <target folder>
//
// --floor times what the file system alone costs for the same tree: every
// folder and file of the archive created with the same calls and sizes,
// zeros written 64 KB at a time as the extraction writes, no archive
// data read. Under Wine that cost
// (a server round trip per open, and a scan of the folder for each new
// name) is most of an extraction's time; the difference between the two
// runs is what the extraction itself adds.
//
// Prints one line of key=value pairs for the benchmark script.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/measure.h"
#include "core/fs/folder_path.h"
#include "core/zip/zip_extractor.h"
#include "core/zip/zip_reader.h"

namespace {

using bench::Megabytes;
using bench::Memory;
using bench::Now;

std::vector<dovrel::ZipEntryInfo> ListEntries(const char* archive)
{
    std::vector<dovrel::ZipEntryInfo> entries;
    dovrel::ZipReader reader;
    if (reader.Open(archive) != dovrel::kZipOk) return entries;
    dovrel::ZipEntryInfo info;
    for (std::int32_t i = 0; reader.EntryInfo(i, info) == dovrel::kZipOk; ++i) entries.push_back(info);
    return entries;
}

bool WriteTree(const std::vector<dovrel::ZipEntryInfo>& entries, const std::string& target)
{
    static char zeros[65536];
    if (!dovrel::CreateFolderPath(target)) return false;
    for (const dovrel::ZipEntryInfo& entry : entries) {
        std::string path = target + "\\" + entry.name;
        for (char& c : path)
            if (c == '/') c = '\\';
        std::string folder = path.substr(0, path.rfind('\\'));
        if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES && !dovrel::CreateFolderPath(folder))
            return false;
        if (entry.IsFolder()) continue;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, entry.attributes, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        for (std::uint64_t left = entry.uncompressedSize; left > 0;) {
            DWORD piece = left < sizeof zeros ? static_cast<DWORD>(left) : sizeof zeros;
            DWORD written;
            WriteFile(file, zeros, piece, &written, nullptr);
            left -= piece;
        }
        FILE_BASIC_INFO basic{};
        basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(entry.modificationTime);
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
        CloseHandle(file);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    bool floor = argc == 4 && std::strcmp(argv[1], "--floor") == 0;
    if (argc != 3 && !floor) {
        std::fprintf(stderr, "usage: zip_bench [--floor] <archive> <target folder>\n");
        return 2;
    }
    const char* archive = argv[argc - 2];
    const char* target = argv[argc - 1];

    std::vector<dovrel::ZipEntryInfo> entries;
    if (floor) entries = ListEntries(archive);
    PROCESS_MEMORY_COUNTERS before = Memory();
    double start = Now();
    std::int32_t result = floor ? (WriteTree(entries, target) ? 1 : 0) : dovrel::ZipExtractor(archive, target);
    double seconds = Now() - start;
    PROCESS_MEMORY_COUNTERS after = Memory();

    std::printf("result=%d seconds=%.3f working_set_before_mb=%.2f peak_working_set_mb=%.2f "
                "private_before_mb=%.2f peak_private_mb=%.2f\n",
                static_cast<int>(result), seconds, Megabytes(before.WorkingSetSize),
                Megabytes(after.PeakWorkingSetSize), Megabytes(before.PagefileUsage),
                Megabytes(after.PeakPagefileUsage));
    return result == 1 ? 0 : 1;
}
