#include "core/zip/zip_extractor.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/folder_link.h"
#include "tests/support/temp_folder.h"
#include "tests/support/recording_progress.h"
#include "tests/support/zip_builder.h"

namespace dovrel {
namespace {

using test::DosDate;
using test::DosTime;
using test::Exists;
using test::ExtendedTimestamp;
using test::IsFolder;
using test::ListTree;
using test::ReadFileBytes;
using test::RecordingProgress;
using test::TempFolder;
using test::WriteFileBytes;
using test::ZipArchiveOptions;
using test::ZipBuilder;
using test::ZipEntryOptions;

std::string Incompressible(std::size_t size, unsigned seed = 1)
{
    std::string out(size, '\0');
    for (char& c : out) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    return out;
}

struct FileTimes {
    SYSTEMTIME creation{}, access{}, modification{};
};

FileTimes ReadTimes(const std::string& path)
{
    FileTimes times;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    if (file == INVALID_HANDLE_VALUE) return times;
    FILETIME c, a, m;
    EXPECT_TRUE(GetFileTime(file, &c, &a, &m));
    CloseHandle(file);
    FileTimeToSystemTime(&c, &times.creation);
    FileTimeToSystemTime(&a, &times.access);
    FileTimeToSystemTime(&m, &times.modification);
    return times;
}

std::string Stamp(const SYSTEMTIME& t)
{
    char text[32];
    wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

// The bits an extracted file must not keep (Wine adds ARCHIVE to every
// file it reports, so NORMAL itself cannot be asked for).
DWORD KeptBits(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
    return attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

// Some file systems (Wine's on Linux among them) keep no creation time of
// their own; a creation time is then only checked where it can be.
bool KeepsCreationTime(const std::string& folder)
{
    std::string path = folder + "\\creation-probe";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    FILETIME creation{0x12345600, 0x01C00000}, other{0x65432100, 0x01D00000};
    SetFileTime(file, &creation, &other, &other);
    CloseHandle(file);
    FileTimes times = ReadTimes(path);
    DeleteFileA(path.c_str());
    SYSTEMTIME expected;
    FileTimeToSystemTime(&creation, &expected);
    return Stamp(times.creation) == Stamp(expected);
}

class ZipExtractorTest : public testing::Test {
protected:
    std::int32_t Extract(const ZipBuilder& builder, Progress* progress = nullptr, const ZipArchiveOptions& options = {})
    {
        builder.WriteTo(archive, options);
        return ZipExtractor(archive, target, progress);
    }
    std::string Out(const std::string& relative) const { return target + "\\" + relative; }

    TempFolder root;
    std::string archive = root / "package.zip";
    std::string target = root / "out";
};

// --- Arguments and the archive's acceptance -------------------------------

TEST_F(ZipExtractorTest, EmptyArgumentsAnswerMinusOneAndTouchNothing)
{
    RecordingProgress progress;
    ZipBuilder().AddFile("a.txt", "a").WriteTo(archive);
    EXPECT_EQ(ZipExtractor("", target, &progress), -1);
    EXPECT_EQ(ZipExtractor(archive, "", &progress), -1);
    EXPECT_FALSE(Exists(target));
    EXPECT_TRUE(progress.percents.empty());
}

TEST_F(ZipExtractorTest, MissingArchiveAnswersMinusOneAndCreatesNothing)
{
    RecordingProgress progress;
    EXPECT_EQ(ZipExtractor(root / "missing.zip", target, &progress), -1);
    EXPECT_FALSE(Exists(target));
    EXPECT_EQ(progress.percents, std::vector<std::int32_t>{100});  // the final report, total 0
}

TEST_F(ZipExtractorTest, FolderAsArchiveFailsAfterCreatingTheTarget)
{
    CreateDirectoryA((root / "folder.zip").c_str(), nullptr);
    EXPECT_EQ(ZipExtractor(root / "folder.zip", target), 0);
    EXPECT_TRUE(IsFolder(target));
}

TEST_F(ZipExtractorTest, TargetFolderIsCreatedWithItsMissingLevels)
{
    target = root / "a\\b\\c";
    EXPECT_EQ(Extract(ZipBuilder().AddFile("x.txt", "x")), 1);
    EXPECT_EQ(ReadFileBytes(Out("x.txt")), "x");
}

struct RefusedArchive {
    const char* what;
    std::function<std::string()> bytes;
};
std::ostream& operator<<(std::ostream& out, const RefusedArchive& c) { return out << c.what; }

std::string TwoEntries(const ZipArchiveOptions& options = {})
{
    ZipBuilder builder;
    builder.AddFile("one.txt", "first entry").AddFile("two.txt", "second entry", {.method = 8});
    return builder.Build(options);
}

class RefusedArchiveTest : public ZipExtractorTest, public testing::WithParamInterface<RefusedArchive> {};

TEST_P(RefusedArchiveTest, AnswersZeroAndWritesNoEntry)
{
    WriteFileBytes(archive, GetParam().bytes());
    RecordingProgress progress;
    EXPECT_EQ(ZipExtractor(archive, target, &progress), 0) << GetParam().what;
    EXPECT_TRUE(IsFolder(target));
    EXPECT_EQ(ListTree(target), "");
    EXPECT_EQ(progress.percents, std::vector<std::int32_t>{100});
}

INSTANTIATE_TEST_SUITE_P(
    Archives, RefusedArchiveTest,
    testing::Values(
        RefusedArchive{"empty file", [] { return std::string(); }},
        RefusedArchive{"31 bytes", [] { return TwoEntries().substr(0, 31); }},
        RefusedArchive{"an older compound document",
                       [] { return std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'); }},
        RefusedArchive{"an empty archive: its end record alone", [] { return ZipBuilder().Build(); }},
        RefusedArchive{"data before the first local header", [] { return TwoEntries({.prefix = "MZ stub"}); }},
        RefusedArchive{"a first entry without a name",
                       [] { return ZipBuilder().AddFile("", "x").AddFile("b.txt", "b").Build(); }},
        RefusedArchive{"cut inside the data: no end record",
                       [] {
                           std::string z = TwoEntries();
                           return z.substr(0, 40);
                       }},
        RefusedArchive{"cut inside the central directory",
                       [] {
                           std::string z = TwoEntries();
                           return z.substr(0, z.size() - 30);
                       }},
        RefusedArchive{"end record counts that disagree", [] { return TwoEntries({.entriesOnDisk = 1}); }},
        RefusedArchive{"end record listing more entries than there are",
                       [] { return TwoEntries({.entriesOnDisk = 3, .entriesTotal = 3}); }}));

TEST_F(ZipExtractorTest, ArchiveCutInsideItsEndRecordExtractsNothing)
{
    // minizip reads the missing bytes as zeros and finds the central
    // directory, but no local header where the records point: the first
    // entry disagrees with its header, which ends the walk before it.
    std::string zip = TwoEntries();
    WriteFileBytes(archive, zip.substr(0, zip.size() - 8));
    EXPECT_EQ(ZipExtractor(archive, target), 1);
    EXPECT_EQ(ListTree(target), "");
}

TEST_F(ZipExtractorTest, NetworkTargetThatDoesNotExistFails)
{
    ZipBuilder().AddFile("a.txt", "a").WriteTo(archive);
    EXPECT_EQ(ZipExtractor(archive, "\\\\dovrel-no-such-server\\share\\out"), 0);
}

// --- The tree under the target folder -------------------------------------

TEST_F(ZipExtractorTest, EntriesWithoutFolderEntriesCreateTheirFolders)
{
    ZipBuilder builder;
    builder.AddFile("ppt/media/image1.png", "png bytes").AddFile("ppt/slides/slide1.xml", "<x/>", {.method = 8});
    EXPECT_EQ(Extract(builder), 1);
    EXPECT_EQ(ListTree(target),
              "ppt\\\nppt\\media\\\nppt\\media\\image1.png\nppt\\slides\\\nppt\\slides\\slide1.xml\n");
    EXPECT_EQ(ReadFileBytes(Out("ppt\\media\\image1.png")), "png bytes");
}

TEST_F(ZipExtractorTest, FolderEntriesCreateMissingLevelsAndLeaveExistingFoldersAlone)
{
    CreateDirectoryA(target.c_str(), nullptr);
    CreateDirectoryA(Out("word").c_str(), nullptr);
    WriteFileBytes(Out("word\\keep.txt"), "kept");
    ZipBuilder builder;
    builder.AddFolder("word/").AddFolder("word/media/deep/").AddFolder("empty");
    EXPECT_EQ(Extract(builder), 1);
    EXPECT_EQ(ListTree(target), "empty\\\nword\\\nword\\keep.txt\nword\\media\\\nword\\media\\deep\\\n");
    EXPECT_EQ(ReadFileBytes(Out("word\\keep.txt")), "kept");
}

// Some writers (Java's among them) store no directory bit for a folder.
TEST_F(ZipExtractorTest, NameEndingInSlashWithoutDirectoryBitIsAFolder)
{
    ZipBuilder builder;
    builder.AddFile("before.txt", "b").AddFile("media/", "", {.externalAttributes = 0x81A40000});
    builder.AddFile("java/", "", {.externalAttributes = 0}).AddFile("java/a.txt", "a", {.externalAttributes = 0});
    EXPECT_EQ(Extract(builder), 1);
    EXPECT_EQ(ListTree(target), "before.txt\njava\\\njava\\a.txt\nmedia\\\n");
}

TEST_F(ZipExtractorTest, FileInTheWayOfAFolderFails)
{
    ZipBuilder builder;
    builder.AddFile("media", "a file").AddFile("media/image.png", "png");
    EXPECT_EQ(Extract(builder), 0);
    EXPECT_EQ(ListTree(target), "media\n");
}

TEST_F(ZipExtractorTest, FolderWithTheFilesNameFails)
{
    ZipBuilder builder;
    builder.AddFolder("media/").AddFile("media", "a file");
    EXPECT_EQ(Extract(builder), 0);
}

TEST_F(ZipExtractorTest, ArchiveExtractingItselfFailsAndStaysIntact)
{
    ZipBuilder builder;
    builder.AddFile("a.txt", "a").AddFile("package.zip", "overwrite me");
    builder.WriteTo(archive);
    std::string before = ReadFileBytes(archive);
    EXPECT_EQ(ZipExtractor(archive, root.path()), 0);
    EXPECT_EQ(ReadFileBytes(archive), before);
    EXPECT_EQ(ReadFileBytes(root / "a.txt"), "a");
}

TEST_F(ZipExtractorTest, CodePage936NamesAreKeptByteForByte)
{
    std::string name = "\xCD\xBC\xC6\xAC/\xCD\xBC\xC6\xAC\xD2\xBB.png";  // 图片/图片一.png
    EXPECT_EQ(Extract(ZipBuilder().AddFile(name, "bytes")), 1);
    EXPECT_EQ(ReadFileBytes(Out("\xCD\xBC\xC6\xAC\\\xCD\xBC\xC6\xAC\xD2\xBB.png")), "bytes");
}

TEST_F(ZipExtractorTest, TargetWithTrailingBackslashGetsNoSecondOne)
{
    // Exactly 259 bytes with one separator between them; a second one would
    // make the path 260 bytes, too long to extract.
    std::string name(259 - target.size() - 1, 'n');
    EXPECT_EQ(Extract(ZipBuilder().AddFile(name, "fits")), 1);
    ZipBuilder().AddFile(name, "again").WriteTo(archive);
    EXPECT_EQ(ZipExtractor(archive, target + "\\"), 1);
    EXPECT_EQ(ReadFileBytes(Out(name)), "again");
}

TEST_F(ZipExtractorTest, DestinationOf260BytesIsNotExtracted)
{
    std::string name(260 - target.size() - 1, 'n');
    EXPECT_EQ(Extract(ZipBuilder().AddFile(name, "too long")), 0);
    EXPECT_EQ(ListTree(target), "");
}

TEST_F(ZipExtractorTest, TargetEndingInTrailByte5CGetsItsSeparator)
{
    target = root / "\xB5\x5C";  // one double-byte character whose trail byte is "\"
    EXPECT_EQ(Extract(ZipBuilder().AddFile("x.txt", "x")), 1);
    EXPECT_EQ(ListTree(root.path()), "package.zip\n\xB5\x5C\\\n\xB5\x5C\\x.txt\n");
}

TEST_F(ZipExtractorTest, NameFillingTheNameBufferIsNeverCutShort)
{
    std::string name = "a/" + std::string(258, 'b');  // 260 bytes
    ZipBuilder builder;
    builder.AddFile("first.txt", "1").AddFile(name, "long").AddFile("third.txt", "3");
    EXPECT_EQ(Extract(builder), 0);
    EXPECT_EQ(ListTree(target), "first.txt\n");
}

// --- Entry data, attributes and times -------------------------------------

TEST_F(ZipExtractorTest, StoredDeflatedAndDescribedEntriesAreExtractedWhole)
{
    std::string big = Incompressible(200000);
    std::string text(100000, 'x');
    ZipBuilder builder;
    builder.AddFile("stored.bin", big)
        .AddFile("deflated.bin", big, {.method = 8})
        .AddFile("text.xml", text, {.method = 8})
        .AddFile("described.bin", big, {.method = 8, .dataDescriptor = true})
        .AddFile("described-stored.bin", text, {.dataDescriptor = true, .descriptorSignature = false})
        .AddFile("empty.txt", "")
        .AddFile("empty-deflated.txt", "", {.method = 8});
    EXPECT_EQ(Extract(builder), 1);
    EXPECT_EQ(ReadFileBytes(Out("stored.bin")), big);
    EXPECT_EQ(ReadFileBytes(Out("deflated.bin")), big);
    EXPECT_EQ(ReadFileBytes(Out("text.xml")), text);
    EXPECT_EQ(ReadFileBytes(Out("described.bin")), big);
    EXPECT_EQ(ReadFileBytes(Out("described-stored.bin")), text);
    EXPECT_TRUE(Exists(Out("empty.txt")));
    EXPECT_EQ(ReadFileBytes(Out("empty.txt")), "");
    EXPECT_TRUE(Exists(Out("empty-deflated.txt")));
}

TEST_F(ZipExtractorTest, ExistingReadOnlyFileIsReplacedAndEndsNormal)
{
    CreateDirectoryA(target.c_str(), nullptr);
    WriteFileBytes(Out("a.txt"), "old and longer content");
    SetFileAttributesA(Out("a.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(Extract(ZipBuilder().AddFile("a.txt", "new")), 1);
    EXPECT_EQ(ReadFileBytes(Out("a.txt")), "new");
    EXPECT_EQ(KeptBits(Out("a.txt")), 0u);
}

TEST_F(ZipExtractorTest, EntryAttributesDoNotStayOnTheFile)
{
    ZipBuilder builder;
    builder.AddFile("dos.txt", "no unix bits", {.externalAttributes = 0x00000000, .versionMadeBy = 0x0014})
        .AddFile("hidden.txt", "h", {.externalAttributes = 0x00800027});
    EXPECT_EQ(Extract(builder), 1);
    EXPECT_EQ(KeptBits(Out("dos.txt")), 0u);
    EXPECT_EQ(KeptBits(Out("hidden.txt")), 0u);
}

TEST_F(ZipExtractorTest, DosTimeIsTakenAsUtc)
{
    ZipBuilder builder;
    builder.AddFile("ten.txt", "x", {.dosTime = DosTime(10, 0, 0), .dosDate = DosDate(2021, 3, 4)})
        .AddFile("zero.txt", "", {.dosTime = DosTime(10, 0, 0), .dosDate = DosDate(2021, 3, 4)});
    EXPECT_EQ(Extract(builder), 1);
    const bool creationKept = KeepsCreationTime(target);
    for (const char* name : {"ten.txt", "zero.txt"}) {
        FileTimes times = ReadTimes(Out(name));
        EXPECT_EQ(Stamp(times.modification), "2021-03-04 10:00:00") << name;
        EXPECT_EQ(Stamp(times.access), "2021-03-04 10:00:00") << name;
        if (creationKept) {
            EXPECT_EQ(Stamp(times.creation), "2021-03-04 10:00:00") << name;
        }
    }
}

TEST_F(ZipExtractorTest, ExtendedTimestampsReplaceTheTimesTheyCarry)
{
    const ZipEntryOptions dos{.dosTime = DosTime(10, 0, 0), .dosDate = DosDate(2021, 3, 4)};
    auto with = [&](std::string extra) {
        ZipEntryOptions options = dos;
        options.localExtra = std::move(extra);
        return options;
    };
    ZipBuilder builder;
    builder.AddFile("one.txt", "1", with(ExtendedTimestamp(0x01, {1000000000})))
        .AddFile("two.txt", "2", with(ExtendedTimestamp(0x03, {1000000000, 1234567890})))
        .AddFile("three.txt", "3", with(ExtendedTimestamp(0x07, {1000000000, 1234567890, 1500000000})))
        .AddFile("central-only.txt", "c",
                 {.dosTime = dos.dosTime, .dosDate = dos.dosDate, .centralExtra = ExtendedTimestamp(0x01, {0})});
    EXPECT_EQ(Extract(builder), 1);
    const bool creationKept = KeepsCreationTime(target);

    struct Expected {
        const char* name;
        const char *modification, *access, *creation;
    } expected[] = {
        {"one.txt", "2001-09-09 01:46:40", "2021-03-04 10:00:00", "2021-03-04 10:00:00"},
        {"two.txt", "2001-09-09 01:46:40", "2009-02-13 23:31:30", "2021-03-04 10:00:00"},
        {"three.txt", "2001-09-09 01:46:40", "2009-02-13 23:31:30", "2017-07-14 02:40:00"},
        {"central-only.txt", "2021-03-04 10:00:00", "2021-03-04 10:00:00", "2021-03-04 10:00:00"},
    };
    for (const Expected& e : expected) {
        FileTimes times = ReadTimes(Out(e.name));
        EXPECT_EQ(Stamp(times.modification), e.modification) << e.name;
        EXPECT_EQ(Stamp(times.access), e.access) << e.name;
        if (creationKept) {
            EXPECT_EQ(Stamp(times.creation), e.creation) << e.name;
        }
    }
}

// --- Damaged, disguised and unsupported entries ---------------------------

struct DamagedEntry {
    const char* what;
    std::function<void(ZipBuilder&)> add;
    std::int32_t result;
    const char* tree;  // what the target folder holds afterwards
};
std::ostream& operator<<(std::ostream& out, const DamagedEntry& c) { return out << c.what; }

class DamagedEntryTest : public ZipExtractorTest, public testing::WithParamInterface<DamagedEntry> {};

TEST_P(DamagedEntryTest, IsNotReportedAsExtracted)
{
    ZipBuilder builder;
    builder.AddFile("before.txt", "before");
    GetParam().add(builder);
    builder.AddFile("after.txt", "after");
    EXPECT_EQ(Extract(builder), GetParam().result) << GetParam().what;
    EXPECT_EQ(ListTree(target), GetParam().tree) << GetParam().what;
}

const std::string kContent = Incompressible(50000, 7);

INSTANTIATE_TEST_SUITE_P(
    Entries, DamagedEntryTest,
    testing::Values(
        DamagedEntry{"CRC-32 mismatch, stored",
                     [](ZipBuilder& b) { b.AddFile("bad.bin", kContent, {.crc = 0xDEADBEEF}); }, 0,
                     "bad.bin\nbefore.txt\n"},
        DamagedEntry{"CRC-32 mismatch, deflated",
                     [](ZipBuilder& b) { b.AddFile("bad.bin", kContent, {.method = 8, .crc = 0xDEADBEEF}); }, 0,
                     "bad.bin\nbefore.txt\n"},
        DamagedEntry{"deflate stream that ends before the declared size",
                     [](ZipBuilder& b) {
                         b.AddFile("short.bin", kContent,
                                   {.method = 8, .rawData = test::RawDeflate(kContent.substr(0, 1000))});
                     },
                     0, "before.txt\nshort.bin\n"},
        DamagedEntry{"deflate stream cut short",
                     [](ZipBuilder& b) {
                         b.AddFile("cut.bin", kContent,
                                   {.method = 8, .rawData = test::RawDeflate(kContent).substr(0, 20000)});
                     },
                     0, "before.txt\ncut.bin\n"},
        DamagedEntry{
            "not a deflate stream",
            [](ZipBuilder& b) { b.AddFile("junk.bin", kContent, {.method = 8, .rawData = "\xFF\xFF\xFF\xFF"}); }, 0,
            "before.txt\njunk.bin\n"},
        DamagedEntry{"stored, fewer bytes than declared",
                     [](ZipBuilder& b) { b.AddFile("sizes.bin", kContent, {.uncompressedSize = 60000}); }, 0,
                     "before.txt\n"},
        DamagedEntry{"stored, more bytes than declared",
                     [](ZipBuilder& b) {
                         b.AddFile("sizes.bin", kContent.substr(0, 100),
                                   {.rawData = kContent.substr(0, 200), .compressedSize = 200});
                     },
                     0, "before.txt\n"},
        DamagedEntry{"encrypted (flag bit 0), stored",
                     [](ZipBuilder& b) { b.AddFile("secret.png", kContent, {.flags = 0x0001}); }, 0, "before.txt\n"},
        DamagedEntry{"encrypted (flag bit 0), deflated",
                     [](ZipBuilder& b) { b.AddFile("secret.png", kContent, {.method = 8, .flags = 0x0001}); }, 0,
                     "before.txt\n"},
        DamagedEntry{"strong encryption (flag bit 6)",
                     [](ZipBuilder& b) { b.AddFile("secret.png", kContent, {.flags = 0x0041}); }, 0, "before.txt\n"},
        DamagedEntry{"method 12 (bzip2), which minizip would pass through raw",
                     [](ZipBuilder& b) { b.AddFile("bzip2.bin", kContent, {.method = 12}); }, 1, "before.txt\n"},
        DamagedEntry{"method 14 (LZMA)", [](ZipBuilder& b) { b.AddFile("lzma.bin", kContent, {.method = 14}); }, 1,
                     "before.txt\n"},
        DamagedEntry{"method 9 (deflate64)", [](ZipBuilder& b) { b.AddFile("d64.bin", kContent, {.method = 9}); }, 1,
                     "before.txt\n"},
        DamagedEntry{"local header with another method",
                     [](ZipBuilder& b) { b.AddFile("local.bin", kContent, {.localMethod = 8}); }, 1, "before.txt\n"},
        DamagedEntry{"local header with another name",
                     [](ZipBuilder& b) { b.AddFile("local.bin", kContent, {.localName = "longer.bin"}); }, 1,
                     "before.txt\n"},
        DamagedEntry{"local header with another CRC-32",
                     [](ZipBuilder& b) { b.AddFile("local.bin", kContent, {.localCrc = 1}); }, 1, "before.txt\n"},
        DamagedEntry{"local header with other sizes",
                     [](ZipBuilder& b) { b.AddFile("local.bin", kContent, {.localCompressedSize = 10}); }, 1,
                     "before.txt\n"},
        DamagedEntry{"local header signature missing",
                     [](ZipBuilder& b) { b.AddFile("local.bin", kContent, {.localSignature = 0x12345678}); }, 1,
                     "before.txt\n"},
        DamagedEntry{"local extra field running past the archive's end",
                     [](ZipBuilder& b) { b.AddFile("extra.bin", "x", {.localExtraLength = 0xFFFF}); }, 1,
                     "before.txt\n"}));

TEST_F(ZipExtractorTest, EntriesSharingTheirDataAreRefusedBeforeAnythingIsWritten)
{
    ZipBuilder builder;
    builder.AddFile("first.txt", "first")
        .AddFile("bomb1.xml", std::string(100000, 'a'), {.method = 8})
        .AddFile("bomb2.xml", std::string(100000, 'a'), {.method = 8, .reuseLocalOf = 1})
        .AddFile("bomb3.xml", std::string(100000, 'a'), {.method = 8, .reuseLocalOf = 1});
    EXPECT_EQ(Extract(builder), 0);
    EXPECT_EQ(ListTree(target), "");
}

TEST_F(ZipExtractorTest, EntryWhoseDataCoversTheNextHeaderIsRefused)
{
    // The first entry's declared compressed size runs over the second
    // entry's local header: the kind of overlap that quoted-overlap bombs
    // build on.
    std::string text(5000, 'q');
    ZipBuilder probe;
    probe.AddFile("a.xml", text, {.method = 8}).AddFile("b.xml", "b");
    probe.Build();
    auto reach = static_cast<std::uint32_t>(probe.DataOffsets()[1] - probe.DataOffsets()[0]);

    ZipBuilder builder;
    builder.AddFile("a.xml", text, {.method = 8, .compressedSize = reach}).AddFile("b.xml", "b");
    EXPECT_EQ(Extract(builder), 0);
    EXPECT_EQ(ListTree(target), "");
}

TEST_F(ZipExtractorTest, AdjacentEntriesAreNotAnOverlap)
{
    ZipBuilder builder;
    builder.AddFile("a.txt", "").AddFile("b.txt", "").AddFile("c.txt", "c");
    EXPECT_EQ(Extract(builder), 1);
    EXPECT_EQ(ListTree(target), "a.txt\nb.txt\nc.txt\n");
}

// --- Names that must not become paths --------------------------------------

struct UnsafeName {
    std::string name;
    const char* what;
    bool folder = false;
};
std::ostream& operator<<(std::ostream& out, const UnsafeName& c) { return out << c.what; }

class UnsafeNameTest : public ZipExtractorTest, public testing::WithParamInterface<UnsafeName> {};

TEST_P(UnsafeNameTest, IsSkippedAndItsNeighboursExtracted)
{
    CreateDirectoryA(target.c_str(), nullptr);
    ZipBuilder builder;
    builder.AddFile("before.txt", "before");
    if (GetParam().folder)
        builder.AddFolder(GetParam().name);
    else
        builder.AddFile(GetParam().name, "evil");
    builder.AddFile("after.txt", "after");
    RecordingProgress progress;
    EXPECT_EQ(Extract(builder, &progress), 1) << GetParam().what;
    EXPECT_EQ(ListTree(root.path()), "out\\\nout\\after.txt\nout\\before.txt\npackage.zip\n") << GetParam().what;
    EXPECT_EQ(progress.percents, (std::vector<std::int32_t>{0, 33, 66, 100}));
}

INSTANTIATE_TEST_SUITE_P(
    Names, UnsafeNameTest,
    testing::Values(
        UnsafeName{"../evil.txt", "climbs out"}, UnsafeName{"media/../../evil.txt", "climbs out from a folder"},
        UnsafeName{"../evil/", "a folder that climbs out", true},
        UnsafeName{".. /evil.txt", "climbs out once Windows strips the space"},
        UnsafeName{"... /evil.txt", "dots and a space"}, UnsafeName{"evil./x.txt", "a folder ending in a dot"},
        UnsafeName{"evil.txt ", "a trailing space"}, UnsafeName{"./evil.txt", "a . component"},
        UnsafeName{"media//evil.txt", "an empty component"}, UnsafeName{"/dovrel_evil_absolute.txt", "absolute with /"},
        UnsafeName{"\\dovrel_evil_absolute.txt", "absolute with \\"}, UnsafeName{"C:dovrel_evil.txt", "a drive letter"},
        UnsafeName{"before.txt:evil", "an alternate data stream of a neighbour"},
        UnsafeName{std::string("evil\0.txt", 9), "a zero byte inside the name"},
        UnsafeName{"evil\x07.txt", "a control byte"}, UnsafeName{"evil<.txt", "<"}, UnsafeName{"evil>.txt", ">"},
        UnsafeName{"evil\".txt", "a double quote"}, UnsafeName{"evil|.txt", "|"}, UnsafeName{"evil?.txt", "?"},
        UnsafeName{"evil*.txt", "*"}, UnsafeName{"media/CON.png", "a device name with an extension"},
        UnsafeName{"aux", "a device name"}, UnsafeName{"lpt1/x.png", "a device name as a folder"},
        UnsafeName{"\x80\\..\\..\\evil.txt", "0x80 is no lead byte for Windows"}));

TEST_F(ZipExtractorTest, AbsoluteNamesWriteNothingAtTheRoot)
{
    ZipBuilder builder;
    builder.AddFile("/dovrel_evil_absolute.txt", "evil").AddFile("ok.txt", "ok");
    EXPECT_EQ(Extract(builder), 1);
    bool escaped = Exists("\\dovrel_evil_absolute.txt");
    DeleteFileA("\\dovrel_evil_absolute.txt");
    EXPECT_FALSE(escaped);
}

// --- Progress ----------------------------------------------------------------

TEST_F(ZipExtractorTest, ReportsAfterEveryEntryAndOnceAtTheEnd)
{
    ZipBuilder builder;
    builder.AddFolder("a/").AddFile("a/1.txt", "1").AddFile("a/2.txt", "2");
    RecordingProgress progress;
    EXPECT_EQ(Extract(builder, &progress), 1);
    EXPECT_EQ(progress.percents, (std::vector<std::int32_t>{0, 33, 66, 100}));
}

TEST_F(ZipExtractorTest, ProgressThatGoesOnChangesNothing)
{
    ZipBuilder builder;
    builder.AddFile("1.txt", "1").AddFile("2.txt", "2");
    RecordingProgress progress;
    EXPECT_EQ(Extract(builder, &progress), 1);
    EXPECT_EQ(progress.percents, (std::vector<std::int32_t>{0, 50, 100}));
    EXPECT_EQ(ListTree(target), "1.txt\n2.txt\n");
}

TEST_F(ZipExtractorTest, StopAfterTheSecondEntryLeavesTwoEntries)
{
    ZipBuilder builder;
    builder.AddFile("1.txt", "1").AddFile("2.txt", "2").AddFile("3.txt", "3").AddFile("4.txt", "4");
    RecordingProgress progress;
    progress.answer = [&](std::int32_t) { return progress.percents.size() < 2; };
    EXPECT_EQ(Extract(builder, &progress), 1);
    EXPECT_EQ(progress.percents, (std::vector<std::int32_t>{0, 25}));  // no final report
    EXPECT_EQ(ListTree(target), "1.txt\n2.txt\n");
}

TEST_F(ZipExtractorTest, ReportsWithinALargeEntryAndStopsThere)
{
    ZipBuilder builder;
    builder.AddFile("a.txt", "a").AddFile("big.bin", Incompressible(640 * 1024), {.method = 8});
    RecordingProgress progress;
    EXPECT_EQ(Extract(builder, &progress), 1);
    EXPECT_GE(progress.percents.size(), 2u + 640 / 256);  // every 256 KB, each entry's end, the end

    RecordingProgress stopping;
    stopping.answer = [&](std::int32_t) { return stopping.percents.size() < 3; };
    EXPECT_EQ(Extract(builder, &stopping), 1);
    EXPECT_EQ(stopping.percents.size(), 3u);
    EXPECT_LT(ReadFileBytes(Out("big.bin")).size(), 640u * 1024);
}

// --- One folder of the package ---------------------------------------------

TEST_F(ZipExtractorTest, OneFolderIsWrittenAndTheRestNeverTouched)
{
    ZipBuilder builder;
    builder
        .AddFile("ppt/slides/slide1.xml", "<s/>", {.crc = 7})  // damaged, outside: passed over
        .AddFile("docProps/app.xml", "<a/>", {.method = 14})   // unreadable, outside: passed over
        .AddFile("ppt/media/a.png", Incompressible(200000), {.method = 8})
        .AddFile("Ppt\\Media\\b.png", "b");
    builder.WriteTo(archive);
    RecordingProgress progress;
    EXPECT_EQ(ZipExtractFolder(archive, Text("\\ppt\\media"), target, &progress), 1);
    EXPECT_EQ(ListTree(target), "ppt\\\nppt\\media\\\nppt\\media\\a.png\nppt\\media\\b.png\n");
    EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
    EXPECT_EQ(progress.percents.back(), 100);

    // The central directory alone tells whether a folder has entries at all.
    {
        const DocumentFile opened = DocumentFile::Open(archive);
        EXPECT_TRUE(ZipHasEntriesUnder(opened, "\\ppt\\media"));
        EXPECT_TRUE(ZipHasEntriesUnder(opened, "PPT/MEDIA"));
        EXPECT_FALSE(ZipHasEntriesUnder(opened, "\\ppt\\med"));
        EXPECT_FALSE(ZipHasEntriesUnder(opened, "\\ppt\\embeddings"));
        EXPECT_TRUE(ZipHasEntriesUnder(DocumentFile(), "\\ppt\\embeddings"));  // the extraction judges
    }

    // Nothing selected: nothing written, but the archive is still checked.
    test::ForceRemoveTree(target);
    EXPECT_EQ(ZipExtractFolder(archive, std::nullopt, target), 1);
    EXPECT_EQ(ListTree(target), "");
    WriteFileBytes(archive, "not a zip package at all, but long enough to be read");
    EXPECT_EQ(ZipExtractFolder(archive, std::nullopt, target), 0);
}

TEST_F(ZipExtractorTest, OneFolderReportsWhileReadingALongDirectoryAndStopsThere)
{
    ZipBuilder builder;
    for (int i = 0; i < 600; ++i) builder.AddFile("ppt/slides/s" + std::to_string(i) + ".xml", "x");
    builder.AddFile("ppt/media/a.png", "a");
    builder.WriteTo(archive);
    RecordingProgress progress;
    progress.answer = [](std::int32_t) { return false; };
    EXPECT_EQ(ZipExtractFolder(archive, Text("\\ppt\\media"), target, &progress), 1);
    EXPECT_EQ(progress.percents, std::vector<std::int32_t>{0});
    EXPECT_EQ(ListTree(target), "");
}

// A link where the extraction would create or enter a folder: never written
// through, whatever the walk.
TEST_F(ZipExtractorTest, NeverWritesThroughALinkInTheTarget)
{
    TempFolder elsewhere;
    ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
    test::ScopedFolderLink link(Out("ppt"), elsewhere.path());
    if (link.kind() == test::FolderLinkKind::None) GTEST_SKIP() << "no folder link can be made here";
    ZipBuilder builder;
    builder.AddFile("ppt/presentation.xml", "<p/>").AddFile("ppt/media/a.png", "a");
    EXPECT_EQ(Extract(builder), 0);
    builder.WriteTo(archive);
    EXPECT_EQ(ZipExtractFolder(archive, Text("\\ppt\\media"), target), 0);
    EXPECT_EQ(ListTree(elsewhere.path()), "");
}

TEST_F(ZipExtractorTest, UnsupportedFirstEntryEndsTheWalkAtOnce)
{
    ZipBuilder builder;
    builder.AddFile("lzma.bin", "x", {.method = 14}).AddFile("b.txt", "b");
    RecordingProgress progress;
    EXPECT_EQ(Extract(builder, &progress), 1);
    EXPECT_EQ(ListTree(target), "");
    EXPECT_EQ(progress.percents, std::vector<std::int32_t>{100});
}

}  // namespace
}  // namespace dovrel
