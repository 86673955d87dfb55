// Times the job on an old binary presentation and reports the process's
// memory around it.
//
//   compound_bench make <document.ppt> <megabytes>
//       Writes a presentation through structured storage: a Pictures
//       stream of about that size, four fifths PNG and JPEG pictures of
//       incompressible bytes (1 MB each), one fifth deflated metafiles.
//   compound_bench workbook <document.xls> <megabytes>
//       Writes a workbook whose drawing group holds 10 MB PNG pictures of
//       about that size in all, piece by piece (the tests' writer).
//   compound_bench run <document.ppt> <work folder>
//       Runs the job's per-document step (ExtractDocument) with the output
//       root <work folder>\PPT_RES, and prints one line of key=value pairs.

#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/measure.h"
#include "core/base/com_ptr.h"
#include "core/base/little_endian.h"
#include "core/job/extraction_job.h"
#include "core/job/work_paths.h"
#include "tests/support/compound_file.h"

namespace {

using bench::Megabytes;
using bench::Memory;
using bench::Now;
using dovrel::AppendLe;

std::string Record(std::uint16_t instance, std::uint16_t type, const std::string& body)
{
    std::string out;
    AppendLe(out, static_cast<std::uint32_t>(instance) << 4, 2);
    AppendLe(out, type, 2);
    AppendLe(out, static_cast<std::uint32_t>(body.size()), 4);
    return out + body;
}

std::string Uid(std::uint32_t n)
{
    std::string uid;
    for (int i = 0; i < 4; ++i) AppendLe(uid, n * 2654435761u + i, 4);
    return uid;
}

std::string Noise(std::size_t size, std::uint32_t seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::string MetafileBlip(std::uint32_t n)
{
    std::string metafile = " EMF" + Noise(1 << 20, n);
    for (std::size_t i = 0; i < metafile.size(); i += 4) metafile[i] = 0;  // compressible, as drawings are
    uLongf packedSize = compressBound(static_cast<uLong>(metafile.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(metafile.data()),
              static_cast<uLong>(metafile.size()), 6);
    packed.resize(packedSize);
    std::string body = Uid(n);
    AppendLe(body, static_cast<std::uint32_t>(metafile.size()), 4);
    body += std::string(16, '\0');
    AppendLe(body, 914400, 4);
    AppendLe(body, 685800, 4);
    AppendLe(body, static_cast<std::uint32_t>(packed.size()), 4);
    body += std::string("\x00\xFE", 2);
    return Record(0x3D4, 0xF01A, body + packed);
}

int Make(const char* path, std::size_t megabytes)
{
    std::string pictures;
    for (std::uint32_t n = 0; pictures.size() < megabytes << 20; ++n) {
        if (n % 5 == 4) {
            pictures += MetafileBlip(n);
        } else {
            const bool png = n % 2 == 0;
            pictures += Record(png ? 0x6E0 : 0x46A, png ? 0xF01E : 0xF01D, Uid(n) + '\xFF' + Noise(1 << 20, n));
        }
    }
    std::wstring widePath(path, path + std::strlen(path));
    dovrel::ComPtr<IStorage> root;
    dovrel::ComPtr<IStream> stream;
    ULONG written = 0;
    if (FAILED(StgCreateStorageEx(widePath.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_STORAGE,
                                  0, nullptr, nullptr, IID_IStorage, root.put_void())) ||
        FAILED(root->CreateStream(L"Pictures", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put())) ||
        FAILED(stream->Write(pictures.data(), static_cast<ULONG>(pictures.size()), &written))) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    stream.reset();
    root->CreateStream(L"PowerPoint Document", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put());
    return 0;
}

int Run(const char* document, const std::string& work)
{
    dovrel::WorkPaths paths;
    paths.outputRoot = work + "\\PPT_RES";
    paths.scratchFolder = paths.outputRoot + "\\TMP";
    CreateDirectoryA(work.c_str(), nullptr);

    const double start = Now();
    const dovrel::DocumentOutcome outcome = dovrel::ExtractDocument(paths, document);
    const double seconds = Now() - start;
    const PROCESS_MEMORY_COUNTERS memory = Memory();
    std::printf("outcome=%s seconds=%.3f peak_working_set_mb=%.1f peak_private_mb=%.1f\n",
                outcome == dovrel::DocumentOutcome::Extracted ? "extracted" : "other", seconds,
                Megabytes(memory.PeakWorkingSetSize), Megabytes(memory.PeakPagefileUsage));
    return outcome == dovrel::DocumentOutcome::Extracted ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "make") == 0) return Make(argv[2], std::strtoul(argv[3], nullptr, 10));
    if (argc == 4 && std::strcmp(argv[1], "workbook") == 0) {
        const int pictures = static_cast<int>((std::strtoul(argv[3], nullptr, 10) + 9) / 10);
        dovrel::test::WriteLargeWorkbook(argv[2], pictures, 10u << 20);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "run") == 0) return Run(argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: compound_bench make <document.ppt> <megabytes> | workbook <document.xls> <megabytes> | run "
                 "<document> <work folder>\n");
    return 2;
}
