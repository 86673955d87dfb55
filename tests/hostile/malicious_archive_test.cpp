// Malicious documents: names that try to leave the target folder or that
// Windows would change, names and trees too long for a path, the archive's
// own name, entries sharing their data, and sheer numbers of entries. Every
// row runs through ZipExtractor in a sandbox and through the whole job.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <list>
#include <memory>

#include <cstdio>

#include "tests/hostile/hostile_harness.h"
#include "tests/support/compound_file.h"
#include "tests/support/fake_volume.h"
#include "tests/support/office_package.h"

namespace dovrel::test {
namespace {

const std::string kPicture = MediaBytes("image5", 4000);

// ---- Unsafe names: skipped, nothing made for them, the walk goes on ----------

// In the media folder, the job writes such a name under a safe one
// (jobName), or fails aloud when none can be made (jobFails): it never
// leaves a picture out.
struct UnsafeName {
    const char* row;
    std::string name;
    bool folder = false;
    const char* jobName = nullptr;
    bool jobFails = false;
};

const UnsafeName kUnsafeNames[] = {
    {"DotDotFirst", "../escape.png"},
    {"DotDotIntoTheOutsideFolder", "../outside/escape.png"},
    {"DotDotIntoTheUsersFiles", "../../../files/escape.png"},
    {"DotDotDeep", "ppt/media/../../../../../../escape.png", false, nullptr, true},
    {"DotDotInTheMiddle", "ppt/../../escape.png"},
    {"DotDotWithBackslashes", "..\\..\\escape.png"},
    {"DotDotMixedSeparators", "ppt\\..\\../escape.png"},
    {"DotDotLast", "ppt/media/..", false, nullptr, true},
    {"DotDotFolderEntry", "../escape/", true},
    {"DotComponent", "ppt/./media/escape.png"},
    {"DotFirst", "./escape.png"},
    {"EmptyComponent", "ppt//media/escape.png"},
    {"EmptyName", ""},
    {"LeadingSlash", "/dovrel-hostile-escape.png"},
    {"LeadingBackslash", "\\dovrel-hostile-escape.png"},
    {"LeadingSlashFolderEntry", "/dovrel-hostile-escape/", true},
    {"UncPath", "//localhost/c$/dovrel-hostile-escape.png"},
    {"DriveAbsolute", "C:/dovrel-hostile-escape.png"},
    {"DriveAbsoluteLowerCase", "c:\\dovrel-hostile-escape.png"},
    {"DriveRelative", "C:dovrel-hostile-escape.png"},
    {"OtherDrive", "Z:/tmp/dovrel-hostile-escape.png"},
    {"DriveFolderEntry", "C:/dovrel-hostile-escape/", true},
    {"DriveInTheMiddle", "ppt/media/C:/escape.png", false, nullptr, true},
    {"AlternateStream", "ppt/media/image1.png:escape", false, nullptr, true},
    {"AlternateDataStream", "ppt/media/image1.png::$DATA", false, nullptr, true},
    {"StreamOnAFolder", "ppt:escape/image1.png"},
    {"DeviceCon", "CON"},
    {"DeviceConLowerCase", "con"},
    {"DeviceConWithExtension", "ppt/media/Con.png", false, "Con_.png"},
    {"DevicePrn", "ppt/media/PRN.txt", false, "PRN_.txt"},
    {"DeviceAux", "aux"},
    {"DeviceAuxMixedCase", "ppt/AuX.xml"},
    {"DeviceNul", "ppt/media/nul", false, "nul_"},
    {"DeviceNulTwoExtensions", "ppt/media/NUL.tar.gz", false, "NUL_.tar.gz"},
    {"DeviceCom1", "ppt/media/COM1", false, "COM1_"},
    {"DeviceCom9", "ppt/media/com9.png", false, "com9_.png"},
    {"DeviceLpt1", "LPT1.png"},
    {"DeviceLpt9", "ppt/media/lPt9", false, "lPt9_"},
    {"DeviceConin", "ppt/media/CONIN$", false, "CONIN$_"},
    {"DeviceConout", "ppt/media/conout$.png", false, "conout$_.png"},
    {"DeviceAsAFolder", "ppt/CON/escape.png"},
    {"DeviceFolderEntry", "ppt/nul/", true},
    {"DeviceWithTrailingSpace", "ppt/media/NUL ", false, "NUL_"},
    {"DeviceWithTrailingDot", "ppt/media/com1.", false, "com1_"},
    {"TrailingDotOnAPicture", "ppt/media/image1.png.", false, "image1 (2).png"},
    {"TrailingDotsOnAPicture", "ppt/media/image1.png...", false, "image1 (2).png"},
    {"TrailingSpaceOnAPicture", "ppt/media/image1.png ", false, "image1 (2).png"},
    {"TrailingDotOnAFolder", "ppt./media/image1.png"},
    {"TrailingSpaceOnAFolder", "ppt /media/image1.png"},
    {"TrailingDotFolderEntry", "ppt/media./", true},
    {"DotDotSpace", ".. /escape.png"},
    {"DotDotSpaceDeep", ".. /.. /.. /escape.png"},
    {"DotDotDot", ".../escape.png"},
    {"DotSpace", ". /escape.png"},
    {"DotDotDotSpaceFolderEntry", "... /", true},
    {"ControlByte", "ppt/media/a\x01.png", false, nullptr, true},
    {"ControlByte1F", "ppt/media/\x1F.png", false, nullptr, true},
    {"Tab", "ppt/media/a\t.png", false, nullptr, true},
    {"LessThan", "ppt/media/a<b.png", false, nullptr, true},
    {"GreaterThan", "ppt/media/a>b.png", false, nullptr, true},
    {"Quote", "ppt/media/a\"b.png", false, nullptr, true},
    {"Pipe", "ppt/media/a|b.png", false, nullptr, true},
    {"QuestionMark", "ppt/media/image?.png", false, nullptr, true},
    {"Star", "ppt/media/*.png", false, nullptr, true},
    // No character of code page 936 is a lead byte and "/".
    {"LeadByteBeforeASlash", "ppt/media/\x81/escape.png", false, nullptr, true},
    {"LeadByteAtTheEnd", "ppt/media/escape\x81", false, nullptr, true},
    {"ZeroByteInTheName", std::string("ppt/media/image1.png\0../../escape.png", 37), false, nullptr, true},
    {"ZeroByteFirst", std::string("\0escape.png", 11)},
    {"ZeroByteAfterASlash", std::string("ppt/\0", 5)},
};

// The job's listing with the name beside the package's two pictures.
const char* MediaTreeWith(const char* name)
{
    static std::list<std::string> trees;
    std::vector<std::string> files = {"image1.png", "image9.png", name};
    std::sort(files.begin(), files.end());
    return trees.emplace_back(files[0] + "\n" + files[1] + "\n" + files[2] + "\n").c_str();
}

std::vector<HostileCase> UnsafeNameCases()
{
    std::vector<HostileCase> cases;
    for (const UnsafeName& unsafe : kUnsafeNames) {
        std::optional<JobExpectation> job;
        if (unsafe.jobFails) job = JobFails();
        if (unsafe.jobName) job = JobExtracts(MediaTreeWith(unsafe.jobName));
        cases.push_back({unsafe.row,
                         [unsafe] {
                             HostilePackage package = HostilePackage::Presentation();
                             if (unsafe.folder)
                                 package.DropFolder(unsafe.name);
                             else
                                 package.Drop(unsafe.name, "ESCAPE");
                             return package.KeepTail().Finish();
                         },
                         Verdict::Extracted, job});
    }
    return cases;
}

class UnsafeEntryName : public testing::TestWithParam<HostileCase> {};
TEST_P(UnsafeEntryName, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(UnsafeEntryName, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(UnsafeEntryName, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Malicious, UnsafeEntryName, testing::ValuesIn(UnsafeNameCases()), CaseName);

// ---- Names that only look unsafe: extracted like any other -------------------

const HostileCase kSafeLookalikeCases[] = {
    {"NamesThatOnlyLookLikeDevices",
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/COM10.png", "1")
             .Keep("ppt/media/CONSOLE.png", "2")
             .Keep("ppt/media/nul_1.png", "3")
             .Keep("ppt/media/LPT.png", "4")
             .Keep("ppt/media/auxiliary.png", "5")
             .Keep("ppt/prn-notes/x.xml", "6")
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted},
    {"DotsInsideNames",
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/a..b.png", "1")
             .Keep("ppt/media/..png", "2")
             .Keep("ppt/media/.image.png", "3")
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted},
    {"DotNamedFilesOutsideTheMedia",
     // Files a Mac leaves in an archive; the scratch folder must still go.
     [] {
         return HostilePackage::Presentation()
             .Keep(".DS_Store", "1")
             .Keep("ppt/.DS_Store", "2")
             .Keep("__MACOSX/ppt/media/._image1.png", "3")
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted},
    {"DoubleByteNames",
     // The trail byte 0x5C of 誠 (D5 5C) separates nothing.
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/\xCD\xBC\xC6\xAC.png", "1")
             .Keep("ppt/media/\xD5\x5C.png", "2")
             .Keep("ppt/\xD5\x5C/x.png", "3")
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted},
    {"NameOfTheArchiveInAFolder",
     [] { return HostilePackage::Presentation().Keep("ppt/temp.zip", "1").KeepTail().Finish(); }, Verdict::Extracted},
    {"NameOfTheArchiveWithATrailingDot",
     [] { return HostilePackage::Presentation().Drop("temp.zip.", "1").KeepTail().Finish(); }, Verdict::Extracted},
};

class SafeLookalikeName : public testing::TestWithParam<HostileCase> {};
TEST_P(SafeLookalikeName, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(SafeLookalikeName, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(SafeLookalikeName, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Malicious, SafeLookalikeName, testing::ValuesIn(kSafeLookalikeCases), CaseName);

// ---- Too long for a path, and the archive's own name: 0 -------------------------

std::string Nested(int levels, const std::string& last)
{
    std::string name;
    for (int i = 0; i < levels; ++i) name += "d/";
    return name + last;
}

HostileSample WithLongEntry(const std::string& name, bool folder = false)
{
    HostilePackage package = HostilePackage::Presentation();
    if (folder)
        package.DropFolder(name);
    else
        package.Drop(name, "LONG");
    return package.DropTail().Finish();
}

const HostileCase kTooLongCases[] = {
    {"NameOf259Bytes", [] { return WithLongEntry("ppt/media/" + std::string(245, 'a') + ".png"); }, Verdict::Failed},
    {"NameOf260Bytes", [] { return WithLongEntry("ppt/media/" + std::string(246, 'a') + ".png"); }, Verdict::Failed},
    {"NameOf261Bytes", [] { return WithLongEntry("ppt/media/" + std::string(247, 'a') + ".png"); }, Verdict::Failed},
    {"NameOf1000Bytes", [] { return WithLongEntry("ppt/media/" + std::string(986, 'a') + ".png"); }, Verdict::Failed},
    {"NameOf65535Bytes", [] { return WithLongEntry("ppt/" + std::string(65531, 'a')); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
    {"FolderNameOf260Bytes", [] { return WithLongEntry("ppt/" + std::string(255, 'd') + "/", true); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
    {"LongNameOfDoubleByteCharacters",
     [] {
         std::string name = "ppt/media/";
         while (name.size() < 300) name += "\xCD\xBC";
         return WithLongEntry(name + ".png");
     },
     Verdict::Failed},
    {"FoldersNestedPastThePathLimit",
     [] {
         HostilePackage package = HostilePackage::Presentation();
         for (int level = 1; level <= 125; ++level) package.DropFolder(Nested(level, ""));
         return package.DropTail().Finish();
     },
     Verdict::Failed, JobExtracts("image1.png\nimage9.png\n")},
    {"FileNestedPastThePathLimit", [] { return WithLongEntry(Nested(120, "x.png")); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
    {"NameOfTheArchive", [] { return WithLongEntry("temp.zip"); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
    {"NameOfTheArchiveInCapitals", [] { return WithLongEntry("TEMP.ZIP"); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
    {"NameOfTheArchiveAsAFolder", [] { return WithLongEntry("temp.zip/", true); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
    {"NameOfTheArchiveAsAParent", [] { return WithLongEntry("temp.zip/x.png"); }, Verdict::Failed,
     JobExtracts("image1.png\nimage9.png\n")},
};

class UnwritableName : public testing::TestWithParam<HostileCase> {};
TEST_P(UnwritableName, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(UnwritableName, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(UnwritableName, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Malicious, UnwritableName, testing::ValuesIn(kTooLongCases), CaseName);

// ---- Entries that share their data: refused before anything is written -------

// `copies` central records, all pointing at the local header of one entry
// of a megabyte of zeros: a zip bomb's shape.
HostileSample SharingOneLocalEntry(int copies)
{
    const std::string zeros(1 << 20, '\0');
    const std::string stream = RawDeflate(zeros);
    const std::uint32_t crc = Crc32(zeros);
    HostilePackage package = HostilePackage::Presentation();
    ZipEntryOptions options = Deflated();
    package.Drop("ppt/media/b0000.png", zeros, options);
    options.rawData = stream;
    options.crc = crc;
    options.uncompressedSize = static_cast<std::uint32_t>(zeros.size());
    options.reuseLocalOf = 5;
    for (int i = 1; i <= copies; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "ppt/media/b%04d.png", i);
        package.Drop(name, "", options);
    }
    return package.DropTail().Finish();
}

// As above, but the sharing record states (in its zip64 field) a compressed
// size near 2^64, so that its record's end would wrap below its start.
HostileSample SharingBehindASizeNear2To64()
{
    const std::string zeros(1 << 20, '\0');
    HostilePackage package = HostilePackage::Presentation();
    ZipEntryOptions options = Deflated();
    options.localCompressedSize = 0xFFFFFFFF;  // a local size that is never compared
    package.Drop("ppt/media/b0000.png", zeros, options);
    ZipEntryOptions sharing = Deflated();
    sharing.rawData = RawDeflate(zeros);
    sharing.crc = Crc32(zeros);
    sharing.uncompressedSize = static_cast<std::uint32_t>(zeros.size());
    sharing.compressedSize = 0xFFFFFFFF;
    sharing.centralExtra = ExtraBlock(0x0001, Le32(0xFFFFFF00) + Le32(0xFFFFFFFF));
    sharing.reuseLocalOf = 5;
    package.Drop("ppt/media/b0001.png", "", sharing);
    return package.DropTail().Finish();
}

// The second picture's central record points into the first one's data,
// where a whole local header and data of its own are stored.
HostileSample DataInsideAnotherEntry()
{
    const std::string inner = MediaBytes("inner", 1000);
    ZipBuilder innerZip;
    innerZip.AddFile("ppt/media/image6.png", inner);
    std::string innerBytes = innerZip.Build();
    innerBytes.resize(30 + 20 + inner.size());  // the local header and data only

    auto build = [&](std::uint32_t innerOffset) {
        return HostilePackage::Presentation()
            .Drop("ppt/media/image5.png", innerBytes)
            .Drop("ppt/media/image6.png", inner, {.localOffset = innerOffset})
            .DropTail()
            .Finish();
    };
    return build(build(0).dataOffsets[5]);
}

const HostileCase kSharedDataCases[] = {
    {"TwoCentralEntriesOnOneLocalEntry", [] { return SharingOneLocalEntry(1); }, Verdict::Refused},
    {"ThousandCentralEntriesOnOneLocalEntry", [] { return SharingOneLocalEntry(1000); }, Verdict::Refused},
    {"DataInsideAnotherEntrysData", DataInsideAnotherEntry, Verdict::Refused},
    {"SharingBehindASizeNear2To64", SharingBehindASizeNear2To64, Verdict::Refused},
};

class SharedData : public testing::TestWithParam<HostileCase> {};
TEST_P(SharedData, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(SharedData, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(SharedData, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Malicious, SharedData, testing::ValuesIn(kSharedDataCases), CaseName);

// ---- Sheer numbers ---------------------------------------------------------------

// Twenty thousand entries: a thousand one-byte files, a hundred to a folder,
// and nineteen thousand folder entries naming those folders again and
// again. Every entry costs the walk its headers; each created file costs
// Wine milliseconds (more still in one crowded folder), so most entries
// are ones that create nothing new.
constexpr int kTinyFiles = 1000;
constexpr int kFilesPerFolder = 100;
constexpr int kRepeatedFolderEntries = 19000;

const HostileCase kManyEntryCases[] = {
    {"TensOfThousandsOfTinyEntries",
     [] {
         HostilePackage package = HostilePackage::Presentation();
         for (int i = 0; i < kTinyFiles; ++i) {
             package.Keep("customXml/f" + std::to_string(i / kFilesPerFolder) + "/item" + std::to_string(i) + ".xml",
                          "x");
         }
         for (int i = 0; i < kRepeatedFolderEntries; ++i)
             package.KeepFolder("customXml/f" + std::to_string(i % (kTinyFiles / kFilesPerFolder)) + "/");
         return package.KeepTail().Finish();
     },
     Verdict::Extracted},
};

class ManyEntries : public testing::TestWithParam<HostileCase> {};
TEST_P(ManyEntries, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(ManyEntries, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(ManyEntries, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Malicious, ManyEntries, testing::ValuesIn(kManyEntryCases), CaseName);

// ---- A disk too small, or one that fills up mid-run ---------------------------
// The sizes are known before anything is written (the central directory,
// the pictures' headers): what does not fit fails with nothing written. A
// write that fails all the same leaves nothing of the run in the scratch
// folder.

struct DiskCase {
    const char* name;
    std::function<std::string()> make;
    std::uint64_t free;
    std::uint64_t fillsAfter;  // UINT64_MAX: never
};
void PrintTo(const DiskCase& c, std::ostream* out) { *out << c.name; }

std::string OldPresentation()
{
    return MakeCompoundFile(PresentationStreams({BitmapBlip(0xF01E, 0x6E0, Uid('a'), MediaBytes("a", 5000)),
                                                 BitmapBlip(0xF01D, 0x46A, Uid('b'), MediaBytes("b", 5000))}));
}

const DiskCase kDiskCases[] = {
    {"PackageLargerThanTheFreeSpace", GoodPresentation, 30000, UINT64_MAX},
    {"OldDocumentLargerThanTheFreeSpace", OldPresentation, 9000, UINT64_MAX},
    {"PackageFillingTheDiskMidRun", GoodPresentation, UINT64_MAX, 6000},
    {"OldDocumentFillingTheDiskMidRun", OldPresentation, UINT64_MAX, 7000},
};

class FullDisk : public testing::TestWithParam<DiskCase> {};

TEST_P(FullDisk, FailsAloudAndLeavesNothingToFillItFurther)
{
    JobSandbox box;
    {
        FakeVolume volume(GetParam().free, GetParam().fillsAfter);
        ScopedVolume seam(volume);
        EXPECT_EQ(box.Run(GetParam().make(), {}, GetParam().name), JobOutcome::Failure);
        if (GetParam().fillsAfter == UINT64_MAX) {
            EXPECT_EQ(volume.written, 0u) << "written although it did not fit";
        }
        EXPECT_TRUE(!Exists(box.ScratchFolder()) || ListTree(box.ScratchFolder()).empty())
            << ListTree(box.ScratchFolder());
    }
    box.ExpectNextGoodRunSucceeds();
}

INSTANTIATE_TEST_SUITE_P(Malicious, FullDisk, testing::ValuesIn(kDiskCases),
                         [](const testing::TestParamInfo<DiskCase>& info) { return std::string(info.param.name); });

// ---- Links planted in the scratch folder ---------------------------------------
// A link in the scratch folder, or the scratch folder itself a link: the run
// never writes into, moves or deletes what it points to. The link's target
// lies outside the output root, where the sandbox checks every run.

class PlantedLink : public testing::TestWithParam<const char*> {};

TEST_P(PlantedLink, IsNeverWrittenThrough)
{
    JobSandbox box;
    {
        std::unique_ptr<ScopedFolderLink> link = box.PlantLink(GetParam());
        if (link->kind() == FolderLinkKind::None) GTEST_SKIP() << "no folder link can be made here";
        const JobOutcome outcome = box.Run(GoodPresentation(), {}, std::string("a link at ") + GetParam());
        // Wine cannot remove a Unix link to a folder: the run cannot be made safe.
        EXPECT_EQ(outcome,
                  link->kind() == FolderLinkKind::UnixSymbolicLink ? JobOutcome::Failure : JobOutcome::Success);
    }
    box.ExpectNextGoodRunSucceeds();
}

INSTANTIATE_TEST_SUITE_P(Malicious, PlantedLink, testing::Values("TMP", "TMP\\ppt", "TMP\\ppt\\media", "TMP\\_rels"),
                         [](const testing::TestParamInfo<const char*>& info) { return std::to_string(info.index); });

}  // namespace
}  // namespace dovrel::test
