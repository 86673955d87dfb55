#pragma once
// Packages for the hostile-file tests. Each one carries, next to its bytes,
// what a sound extraction leaves in the target folder when it answers 1, so
// that a test compares the whole tree rather than a few chosen files.
//
//   HostileSample sample = HostilePackage::Presentation()
//                              .Drop("../escape.png", "E")
//                              .KeepTail()
//                              .Finish();

#include <cstdint>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "tests/support/zip_builder.h"

namespace dovrel::test {

// What the samples are built as: an Office Open XML presentation, or an
// OpenDocument one, whose parts are OpenDocument's and whose entries named
// under ppt/media lie under Pictures instead.
enum class PackageFlavour { OfficeOpenXml, OpenDocument };
void PrintTo(PackageFlavour flavour, std::ostream* out);

// While it lives, HostilePackage builds samples of `flavour`.
class ScopedPackageFlavour {
public:
    explicit ScopedPackageFlavour(PackageFlavour flavour);
    ~ScopedPackageFlavour();
    ScopedPackageFlavour(const ScopedPackageFlavour&) = delete;
    ScopedPackageFlavour& operator=(const ScopedPackageFlavour&) = delete;

private:
    PackageFlavour saved_;
};

struct HostileSample {
    std::string archive;
    // The folder the job takes the media from, lower case, ending in "\".
    std::string mediaPrefix = "ppt\\media\\";
    // Relative "\"-separated path -> bytes: the files a walk answering 1
    // leaves in the target.
    std::map<std::string, std::string> files;
    // Relative "\"-separated folders, made by folder entries or on the way.
    std::set<std::string> folders;
    // Every entry name in the central directory, exactly as stored.
    std::vector<std::string> names;
    // Where each entry's local header and data start, in entry order.
    std::vector<std::uint32_t> localOffsets;
    std::vector<std::uint32_t> dataOffsets;

    // The target folder as ListTree lists it.
    std::string Tree() const;
    // The part under the media folder, relative to it, as ListTree lists it.
    std::string MediaTree() const;
    bool HasMediaFolder() const;
};

class HostilePackage {
public:
    // The parts every presentation has and one picture, all extracted.
    static HostilePackage Presentation();

    // In the archive and, when the walk answers 1, in the target with its
    // content as the file's bytes.
    HostilePackage& Keep(const std::string& name, const std::string& content, const ZipEntryOptions& options = {});
    HostilePackage& KeepFolder(const std::string& name, const ZipEntryOptions& options = {});
    // In the archive only: skipped, failing, or left out after a walk that
    // ended early.
    HostilePackage& Drop(const std::string& name, const std::string& content, const ZipEntryOptions& options = {});
    HostilePackage& DropFolder(const std::string& name, const ZipEntryOptions& options = {});
    // A second picture and a document part after the entries under test:
    // they show that the walk went on.
    HostilePackage& KeepTail();
    // The same two, in the archive only (a walk that ends at the entry
    // under test leaves them out).
    HostilePackage& DropTail();
    // Nothing added so far is expected in the target (an archive whose
    // central directory lists no entry).
    HostilePackage& ExpectNothingSoFar();

    HostileSample Finish(const ZipArchiveOptions& archive = {}) const;

private:
    void Expect(const std::string& name, const std::string& content, bool folder);
    // The name as the current flavour stores it.
    static std::string Flavoured(const std::string& name);

    ZipBuilder builder_;
    HostileSample sample_;
    std::map<std::string, std::string> spellings_;  // lower-case path -> first spelling
};

// Deflated, as Office stores pictures.
ZipEntryOptions Deflated();

// The good document of the run after a hostile one: two pictures and a
// video under ppt/media, with the bytes the result folder must hold.
std::map<std::string, std::string> GoodMedia();
std::string GoodPresentation();

// A package shaped like a real presentation: folder entries, XML parts,
// pictures, a stored video, an entry with a data descriptor and one with an
// extended timestamp. Small enough to be extracted thousands of times.
std::string RealShapedPresentation();

// "\"-separated form of a stored name, byte by byte.
std::string BackslashName(const std::string& name);

// Little-endian field rewrites in built archives.
void PatchLe16(std::string& bytes, std::size_t at, std::uint16_t value);
void PatchLe32(std::string& bytes, std::size_t at, std::uint32_t value);

}  // namespace dovrel::test
