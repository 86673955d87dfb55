// Damaged documents: what disks, downloads and broken writers make of a
// package. Every row runs through ZipExtractor in a sandbox and through the
// whole job; the checks that every row shares are in hostile_harness.cpp.

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/hostile/hostile_harness.h"
#include "tests/support/office_package.h"

namespace dovrel::test {
namespace {

const std::string kPicture = MediaBytes("image5", 4000);

// The entry under test sits between the parts and a tail of a picture and
// a part, so each row shows whether the walk went on past it.
HostilePackage WithEntry(const ZipEntryOptions& options, const std::string& content = kPicture)
{
    HostilePackage package = HostilePackage::Presentation();
    package.Drop("ppt/media/image5.png", content, options);
    return package;
}

// ---- Cut short ---------------------------------------------------------------

std::vector<HostileCase> CutShortCases()
{
    static const char* const kNames[] = {
        "CutAt1Of16",  "CutAt2Of16",  "CutAt3Of16",  "CutAt4Of16",  "CutAt5Of16",
        "CutAt6Of16",  "CutAt7Of16",  "CutAt8Of16",  "CutAt9Of16",  "CutAt10Of16",
        "CutAt11Of16", "CutAt12Of16", "CutAt13Of16", "CutAt14Of16", "CutAt15Of16",
    };
    std::vector<HostileCase> cases;
    for (int sixteenths = 1; sixteenths <= 15; ++sixteenths) {
        cases.push_back({kNames[sixteenths - 1],
                         [sixteenths] {
                             HostileSample sample = HostilePackage::Presentation().KeepTail().Finish();
                             sample.archive.resize(sample.archive.size() * sixteenths / 16);
                             return sample;
                         },
                         Verdict::Failed});
    }
    cases.push_back({"ZeroByteFile",
                     [] {
                         HostileSample sample = HostilePackage::Presentation().Finish();
                         sample.archive.clear();
                         return sample;
                     },
                     Verdict::Failed});
    cases.push_back({"OnlyTheLocalHeaderOfTheFirstEntry",
                     [] {
                         HostileSample sample = HostilePackage::Presentation().Finish();
                         sample.archive.resize(32);
                         return sample;
                     },
                     Verdict::Failed});
    return cases;
}

class CutShortArchive : public testing::TestWithParam<HostileCase> {};
TEST_P(CutShortArchive, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(CutShortArchive, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(CutShortArchive, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, CutShortArchive, testing::ValuesIn(CutShortCases()), CaseName);

// ---- Central directory and end record --------------------------------------

HostileSample WithEndRecord(const ZipArchiveOptions& archive)
{
    return HostilePackage::Presentation().KeepTail().Finish(archive);
}

const HostileCase kDirectoryCases[] = {
    {"CentralDirectoryPastTheEnd",
     [] {
         HostileSample sample = WithEndRecord({});
         return WithEndRecord({.centralOffset = static_cast<std::uint32_t>(sample.archive.size() + 1000)});
     },
     Verdict::Failed},
    {"CentralDirectoryAtTheHighestOffset", [] { return WithEndRecord({.centralOffset = 0xFFFFFFF0u}); },
     Verdict::Failed},
    {"CentralDirectorySizePastTheEnd", [] { return WithEndRecord({.centralSize = 0x10000000u}); }, Verdict::Failed},
    {"EndRecordCountsDisagree", [] { return WithEndRecord({.entriesOnDisk = 7, .entriesTotal = 6}); }, Verdict::Failed},
    {"EndRecordCountsTooSmall",
     // The walk is bounded by the count: the last two entries are not listed.
     [] { return HostilePackage::Presentation().DropTail().Finish({.entriesOnDisk = 5, .entriesTotal = 5}); },
     Verdict::Extracted},
    // Records the count promises but the central directory does not hold.
    {"EndRecordCountsTooLarge", [] { return WithEndRecord({.entriesOnDisk = 10, .entriesTotal = 10}); },
     Verdict::Failed},
    {"EndRecordCountsAtThe16BitLimit", [] { return WithEndRecord({.entriesOnDisk = 0xFFFF, .entriesTotal = 0xFFFF}); },
     Verdict::Failed},
    // An archive that lists no entry is no document: the job fails aloud.
    {"EndRecordCountsZero",
     [] {
         return HostilePackage::Presentation().KeepTail().ExpectNothingSoFar().Finish(
             {.entriesOnDisk = 0, .entriesTotal = 0});
     },
     Verdict::Extracted, JobFails()},
    {"DataBeforeTheFirstLocalHeader",
     [] { return HostilePackage::Presentation().KeepTail().Finish({.prefix = "MZ" + std::string(100, '\0')}); },
     Verdict::Failed},
    {"FakeEndRecordInTheComment",
     // A reader looks for the end record from the end: it finds this one.
     [] {
         std::string fake =
             Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(7) + Le16(7) + Le32(46) + Le32(0x7FFFFFFF) + Le16(0);
         return HostilePackage::Presentation().KeepTail().Finish({.comment = fake});
     },
     Verdict::Failed},
    {"NoEndRecord", [] { return HostilePackage::Presentation().Finish({.omitEndRecord = true}); }, Verdict::Failed},
    {"CentralRecordPointsPastTheEnd",
     // Its local header cannot be read: the walk ends there, as at any entry
     // whose local header does not match.
     [] {
         return HostilePackage::Presentation()
             .Drop("ppt/media/image5.png", kPicture, {.localOffset = 0x7FFFFFF0u})
             .DropTail()
             .Finish();
     },
     Verdict::Extracted, JobFails()},
};

class DamagedDirectory : public testing::TestWithParam<HostileCase> {};
TEST_P(DamagedDirectory, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(DamagedDirectory, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(DamagedDirectory, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, DamagedDirectory, testing::ValuesIn(kDirectoryCases), CaseName);

// ---- Local headers that disagree with the central directory ----------------
// The walk ends at such an entry with 1: the entries before it are
// extracted, the rest are left out.

HostileSample Disagreeing(const ZipEntryOptions& options) { return WithEntry(options).DropTail().Finish(); }

const HostileCase kLocalHeaderCases[] = {
    {"LocalNameLengthDiffers", [] { return Disagreeing({.localName = "ppt/media/image5.png.old"}); },
     Verdict::Extracted, JobFails()},
    {"LocalMethodDiffers", [] { return Disagreeing({.method = 8, .localMethod = 0}); }, Verdict::Extracted, JobFails()},
    {"LocalCrcDiffers", [] { return Disagreeing({.localCrc = 0x12345678u}); }, Verdict::Extracted, JobFails()},
    {"LocalCompressedSizeDiffers", [] { return Disagreeing({.method = 8, .localCompressedSize = 17}); },
     Verdict::Extracted, JobFails()},
    {"LocalUncompressedSizeDiffers", [] { return Disagreeing({.localUncompressedSize = 1}); }, Verdict::Extracted,
     JobFails()},
    {"LocalSignatureBroken", [] { return Disagreeing({.localSignature = 0x04034B51u}); }, Verdict::Extracted,
     JobFails()},
    {"LocalExtraFieldPastTheEnd", [] { return Disagreeing({.localExtraLength = 0xFFFF}); }, Verdict::Extracted,
     JobFails()},
    {"LocalNameSpelledOtherwise",
     // The central directory's name is the one used; the local name, of the
     // same length, may say anything.
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/image5.png", kPicture, {.localName = "../../../escape5.png"})
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted},
};

class DisagreeingLocalHeader : public testing::TestWithParam<HostileCase> {};
TEST_P(DisagreeingLocalHeader, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(DisagreeingLocalHeader, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(DisagreeingLocalHeader, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, DisagreeingLocalHeader, testing::ValuesIn(kLocalHeaderCases), CaseName);

// ---- Entry data that is not what it claims -----------------------------------

HostileSample Failing(const ZipEntryOptions& options, const std::string& content = kPicture)
{
    return WithEntry(options, content).DropTail().Finish();
}

std::string HalfDeflated()
{
    std::string stream = RawDeflate(kPicture);
    return stream.substr(0, stream.size() / 2);
}

const HostileCase kDataCases[] = {
    {"BadCrcStored", [] { return Failing({.crc = Crc32(kPicture) ^ 1}); }, Verdict::Failed},
    {"BadCrcDeflated", [] { return Failing({.method = 8, .crc = Crc32(kPicture) ^ 0x80000000u}); }, Verdict::Failed},
    {"BadCrcBehindADataDescriptor", [] { return Failing({.method = 8, .dataDescriptor = true, .crc = 0}); },
     Verdict::Failed},
    {"BadCrcOnAReadOnlyEntry",
     // Made on DOS without write permission: a file left by the failure is
     // read-only, and must still never join the next document's media.
     [] {
         return HostilePackage::Presentation()
             .Drop("ppt/media/stale.png", kPicture, {.externalAttributes = 0x21, .versionMadeBy = 0x0014, .crc = 1})
             .Finish();
     },
     Verdict::Failed},
    {"BadCrcAfterADotNamedPicture",
     // A dot-named file stays through a deletion that skips such names.
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/.stale.png", "S")
             .Drop("ppt/media/image5.png", kPicture, {.crc = 1})
             .Finish();
     },
     Verdict::Failed},
    {"ShortDeflateStream",
     [] {
         std::string half = HalfDeflated();
         return Failing({.method = 8, .rawData = half});
     },
     Verdict::Failed},
    {"StoredSizesDisagree",
     [] { return Failing({.uncompressedSize = static_cast<std::uint32_t>(kPicture.size() + 100)}); }, Verdict::Failed},
    {"StoredUncompressedSizeSmaller",
     [] { return Failing({.uncompressedSize = static_cast<std::uint32_t>(kPicture.size() / 2)}); }, Verdict::Failed},
    {"DeflatedClaimsOneByteMore",
     [] { return Failing({.method = 8, .uncompressedSize = static_cast<std::uint32_t>(kPicture.size() + 1)}); },
     Verdict::Failed},
    {"DeflatedClaimsOneByteLess",
     [] { return Failing({.method = 8, .uncompressedSize = static_cast<std::uint32_t>(kPicture.size() - 1)}); },
     Verdict::Failed},
    {"DeflatedWithNoData", [] { return Failing({.method = 8, .rawData = std::string()}); }, Verdict::Failed},
    {"ForeignBytesAsDeflateStream", [] { return Failing({.method = 8, .rawData = MediaBytes("noise", 3000)}); },
     Verdict::Failed},
    {"StoredClaimsNearly4GB", [] { return Failing({.compressedSize = 0xFFFFFFF0u, .uncompressedSize = 0xFFFFFFF0u}); },
     Verdict::Failed},
    {"DeflatedClaimsNearly4GB", [] { return Failing({.method = 8, .uncompressedSize = 0xFFFFFFF0u}); },
     Verdict::Failed},
    {"SizesAtTheZip64Marker", [] { return Failing({.compressedSize = 0xFFFFFFFFu, .uncompressedSize = 0xFFFFFFFFu}); },
     Verdict::Failed},
    {"UncompressedSizeAtTheSignedLimit", [] { return Failing({.method = 8, .uncompressedSize = 0x80000000u}); },
     Verdict::Failed},
    {"EncryptedStored", [] { return Failing({.flags = 0x0001}); }, Verdict::Failed},
    {"EncryptedDeflated", [] { return Failing({.method = 8, .flags = 0x0001}); }, Verdict::Failed},
    {"StrongEncryption", [] { return Failing({.method = 8, .flags = 0x0041}); }, Verdict::Failed},
    {"StrongEncryptionBitAlone", [] { return Failing({.flags = 0x0040}); }, Verdict::Failed},
};

class DamagedData : public testing::TestWithParam<HostileCase> {};
TEST_P(DamagedData, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(DamagedData, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(DamagedData, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, DamagedData, testing::ValuesIn(kDataCases), CaseName);

// ---- Methods other than stored and deflate ------------------------------------
// Such an entry ends the walk with 1, like a local header that disagrees.

HostileSample WithMethod(std::uint16_t method)
{
    return WithEntry({.method = method, .rawData = MediaBytes("compressed", 2000)}).DropTail().Finish();
}

const HostileCase kMethodCases[] = {
    {"MethodShrink", [] { return WithMethod(1); }, Verdict::Extracted, JobFails()},
    {"MethodDeflate64", [] { return WithMethod(9); }, Verdict::Extracted, JobFails()},
    {"MethodBzip2", [] { return WithMethod(12); }, Verdict::Extracted, JobFails()},
    {"MethodLzma", [] { return WithMethod(14); }, Verdict::Extracted, JobFails()},
    {"MethodPpmd", [] { return WithMethod(98); }, Verdict::Extracted, JobFails()},
    {"MethodUnknown", [] { return WithMethod(0xFFFF); }, Verdict::Extracted, JobFails()},
};

class UnsupportedMethod : public testing::TestWithParam<HostileCase> {};
TEST_P(UnsupportedMethod, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(UnsupportedMethod, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(UnsupportedMethod, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, UnsupportedMethod, testing::ValuesIn(kMethodCases), CaseName);

// ---- Folder entries, duplicates and clashes -----------------------------------

ZipEntryOptions FolderWithData()
{
    ZipEntryOptions options;
    options.rawData = "DATA";
    options.uncompressedSize = 4;
    options.crc = Crc32("DATA");
    return options;
}

const HostileCase kShapeCases[] = {
    {"FolderEntryCarryingData",
     [] { return HostilePackage::Presentation().KeepFolder("ppt/media/extra/", FolderWithData()).KeepTail().Finish(); },
     Verdict::Extracted},
    {"FolderEntryWithoutSlashCarryingData",
     [] { return HostilePackage::Presentation().KeepFolder("ppt/media/extra", FolderWithData()).KeepTail().Finish(); },
     Verdict::Extracted},
    {"DuplicateNames",
     // The later entry replaces the earlier one, as any existing file is;
     // the job keeps both.
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/image5.png", "first")
             .Keep("ppt/media/image5.png", kPicture, Deflated())
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted, JobExtracts("image1.png\nimage5 (2).png\nimage5.png\nimage9.png\n", false)},
    {"DuplicateOfThePartsFolderEntry",
     [] {
         return HostilePackage::Presentation().KeepFolder("ppt/media/").KeepFolder("ppt/media/").KeepTail().Finish();
     },
     Verdict::Extracted},
    {"FileEntryNamedLikeAFolder",
     // A name ending in "/" without a directory attribute is a folder entry
     // all the same (some writers store no attributes).
     [] {
         ZipEntryOptions unixFile = FolderWithData();
         unixFile.externalAttributes = 0x81A40000;
         return HostilePackage::Presentation().KeepFolder("ppt/media/extra/", unixFile).KeepTail().Finish();
     },
     Verdict::Extracted},
    {"MediaAsAFile",
     // No media folder: the job ends silently, as for a package without pictures.
     [] {
         HostilePackage package;
         package.Keep("[Content_Types].xml", "<Types/>", Deflated());
         package.Keep("ppt/presentation.xml", "<p:presentation/>", Deflated());
         package.Keep("ppt/media", MediaBytes("image1", 3000), Deflated());
         return package.Finish();
     },
     Verdict::Extracted},
    {"MediaFolderInCapitals",
     [] {
         return HostilePackage::Presentation()
             .Keep("PPT/MEDIA/image7.png", kPicture)
             .Keep("Ppt/Media/image8.png", kPicture)
             .KeepTail()
             .Finish();
     },
     Verdict::Extracted},
    {"FolderThenFileOfOneName",
     [] {
         return HostilePackage::Presentation()
             .KeepFolder("ppt/media/clash/")
             .Drop("ppt/media/clash", kPicture)
             .DropTail()
             .Finish();
     },
     Verdict::Failed, JobExtracts("clash (2)\nclash\\\nimage1.png\nimage9.png\n")},
    {"FileThenFolderOfOneName",
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/clash", kPicture)
             .DropFolder("ppt/media/clash/")
             .DropTail()
             .Finish();
     },
     Verdict::Failed},
    {"FileThenAFileInsideItsName",
     [] {
         return HostilePackage::Presentation()
             .Keep("ppt/media/clash", kPicture)
             .Drop("ppt/media/clash/inner.png", kPicture)
             .DropTail()
             .Finish();
     },
     Verdict::Failed},
};

class ClashingShapes : public testing::TestWithParam<HostileCase> {};
TEST_P(ClashingShapes, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(ClashingShapes, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(ClashingShapes, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, ClashingShapes, testing::ValuesIn(kShapeCases), CaseName);

// ---- Extra fields that lie about themselves: times fall back, data stays -------

HostileSample WithLocalExtra(const std::string& extra)
{
    return HostilePackage::Presentation()
        .Keep("ppt/media/image5.png", kPicture, {.localExtra = extra})
        .KeepTail()
        .Finish();
}

const HostileCase kExtraFieldCases[] = {
    {"TimestampClaimingMoreThanItHolds", [] { return WithLocalExtra(ExtendedTimestamp(7, {1621000000}, 13)); },
     Verdict::Extracted},
    {"TimestampFlagsWithoutValues", [] { return WithLocalExtra(ExtendedTimestamp(0xFF, {})); }, Verdict::Extracted},
    {"TimestampBefore1970",
     [] {
         return WithLocalExtra(ExtendedTimestamp(7, {-1, INT32_MIN, -86400}));
     },
     Verdict::Extracted},
    {"TimestampAtTheSignedLimit",
     [] {
         return WithLocalExtra(ExtendedTimestamp(7, {INT32_MAX, INT32_MAX, INT32_MAX}));
     },
     Verdict::Extracted},
    {"ExtraBlockSizePastTheField",
     [] { return WithLocalExtra(ExtraBlock(0x000A, "abc", 0xFFFF) + ExtendedTimestamp(1, {1621000000})); },
     Verdict::Extracted},
    {"ExtraFieldOfOddBytes", [] { return WithLocalExtra("\x55"); }, Verdict::Extracted},
    {"ExtraFieldOfAlmost64KB", [] { return WithLocalExtra(ExtraBlock(0x7777, std::string(65000, 'e'))); },
     Verdict::Extracted},
    {"Zip64BlockWithoutZip64Sizes",
     [] { return WithLocalExtra(ExtraBlock(0x0001, Le32(0xFFFFFFFFu) + Le32(0xFFFFFFFFu) + Le32(0) + Le32(0))); },
     Verdict::Extracted},
};

class LyingExtraField : public testing::TestWithParam<HostileCase> {};
TEST_P(LyingExtraField, ThroughZipExtractor) { CheckExtractorOn(GetParam()); }
TEST_P(LyingExtraField, ThroughTheJob) { CheckJobOn(GetParam()); }
TEST_P(LyingExtraField, ThroughTheJobAsOpenDocument) { CheckJobOn(GetParam(), PackageFlavour::OpenDocument); }
INSTANTIATE_TEST_SUITE_P(Damaged, LyingExtraField, testing::ValuesIn(kExtraFieldCases), CaseName);

}  // namespace
}  // namespace dovrel::test
