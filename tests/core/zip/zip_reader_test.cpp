#include "core/zip/zip_reader.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"

namespace dovrel {
namespace {

using test::DosDate;
using test::DosTime;
using test::Exists;
using test::ExtendedTimestamp;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;
using test::ZipArchiveOptions;
using test::ZipBuilder;

class ZipReaderTest : public testing::Test {
protected:
    std::uint32_t OpenBuilt(const ZipBuilder& builder, const ZipArchiveOptions& options = {})
    {
        builder.WriteTo(path, options);
        return reader.Open(path);
    }

    TempFolder folder;
    std::string path = folder / "archive.zip";
    ZipReader reader;
};

TEST_F(ZipReaderTest, OpenRefusesWhatIsNoArchive)
{
    EXPECT_EQ(reader.Open(folder / "missing.zip"), kZipCannotOpen);
    WriteFileBytes(path, std::string(100, 'x'));
    EXPECT_EQ(reader.Open(path), kZipCannotOpen);
    EXPECT_EQ(reader.EntryCount(), 0);
    ZipEntryInfo info;
    EXPECT_EQ(reader.EntryInfo(0, info), kZipNoSuchEntry);
}

TEST_F(ZipReaderTest, EntryInfoDescribesEachEntry)
{
    ZipBuilder builder;
    builder
        .AddFile("a.txt", "hello",
                 {.externalAttributes = 0x00000021,
                  .flags = 0x0800,
                  .dosTime = DosTime(12, 34, 56),
                  .dosDate = DosDate(2010, 5, 6)})
        .AddFolder("dir/")
        .AddFile("dir/b.xml", std::string(5000, 'b'), {.method = 8, .dataDescriptor = true});
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    ASSERT_EQ(reader.EntryCount(), 3);

    ZipEntryInfo a, dir, b;
    ASSERT_EQ(reader.EntryInfo(0, a), kZipOk);
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(a.name, "a.txt");
    EXPECT_FALSE(a.nameTooLong);
    EXPECT_EQ(a.attributes, 0xA1u);
    EXPECT_EQ(a.method, 0);
    EXPECT_EQ(a.flags, 0x0800);
    EXPECT_EQ(a.compressedSize, 5u);
    EXPECT_EQ(a.uncompressedSize, 5u);
    std::uint64_t stamp =
        DosStampToFileTime((static_cast<std::uint32_t>(DosDate(2010, 5, 6)) << 16) | DosTime(12, 34, 56));
    EXPECT_NE(stamp, 0u);
    EXPECT_EQ(a.modificationTime, stamp);
    EXPECT_EQ(a.accessTime, stamp);
    EXPECT_EQ(a.creationTime, stamp);
    EXPECT_EQ(a.recordStart, builder.LocalOffsets()[0]);
    EXPECT_EQ(a.recordEnd, builder.DataOffsets()[0] + 5u);

    ASSERT_EQ(reader.EntryInfo(1, dir), kZipOk);
    EXPECT_EQ(dir.name, "dir/");
    EXPECT_TRUE(dir.IsFolder());

    ASSERT_EQ(reader.EntryInfo(2, b), kZipOk);
    EXPECT_EQ(b.index, 2);
    EXPECT_EQ(b.method, 8);
    EXPECT_EQ(b.flags & 0x0008, 0x0008);
    EXPECT_EQ(b.uncompressedSize, 5000u);  // from the central record, not the zeroed local one
    EXPECT_LT(b.compressedSize, 5000u);
    EXPECT_EQ(b.recordStart, builder.LocalOffsets()[2]);

    EXPECT_EQ(reader.EntryInfo(3, b), kZipNoSuchEntry);
    EXPECT_EQ(reader.EntryInfo(-1, b), kZipNoSuchEntry);
}

TEST_F(ZipReaderTest, EntriesCanBeVisitedInAnyOrder)
{
    ZipBuilder builder;
    for (char c = 'a'; c <= 'e'; ++c) builder.AddFile(std::string(1, c) + ".txt", std::string(3, c));
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    ZipEntryInfo info;
    for (int index : {4, 0, 2, 2, 1, 4, 3}) {
        ASSERT_EQ(reader.EntryInfo(index, info), kZipOk);
        EXPECT_EQ(info.index, index);
        EXPECT_EQ(info.name, std::string(1, static_cast<char>('a' + index)) + ".txt");
    }
    // The last entry read is cached; writing another one still writes that one.
    ASSERT_EQ(reader.EntryInfo(3, info), kZipOk);
    ASSERT_EQ(reader.WriteEntry(1, folder / "b.out"), kZipOk);
    ASSERT_EQ(reader.WriteEntry(3, folder / "d.out"), kZipOk);
    ASSERT_EQ(reader.WriteEntry(0, folder / "a.out"), kZipOk);
    EXPECT_EQ(ReadFileBytes(folder / "b.out"), "bbb");
    EXPECT_EQ(ReadFileBytes(folder / "d.out"), "ddd");
    EXPECT_EQ(ReadFileBytes(folder / "a.out"), "aaa");
}

TEST_F(ZipReaderTest, NameLengthDecidesHowMuchOfTheNameIsUsed)
{
    ZipBuilder builder;
    builder.AddFile(std::string(259, 'n'), "259")
        .AddFile(std::string(260, 'n'), "260")
        .AddFile(std::string(65535, 'n'), "max")
        .AddFile(std::string("a\0b", 3), "zero");
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    ZipEntryInfo info;
    ASSERT_EQ(reader.EntryInfo(0, info), kZipOk);
    EXPECT_EQ(info.name, std::string(259, 'n'));
    EXPECT_FALSE(info.nameTooLong);
    ASSERT_EQ(reader.EntryInfo(1, info), kZipOk);
    EXPECT_TRUE(info.nameTooLong);
    EXPECT_EQ(info.name, "");
    ASSERT_EQ(reader.EntryInfo(2, info), kZipOk);
    EXPECT_TRUE(info.nameTooLong);
    ASSERT_EQ(reader.EntryInfo(3, info), kZipOk);
    EXPECT_EQ(info.name, std::string("a\0b", 3));  // the stored length, not the first zero
}

TEST_F(ZipReaderTest, LocalExtraFieldIsReadWholeForItsTimes)
{
    ZipBuilder builder;
    builder.AddFile("t.txt", "t",
                    {.localExtra = test::ExtraBlock(0x000A, std::string(20, '\0')) +
                                   ExtendedTimestamp(0x03, {1000000000, 1234567890})});
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    ZipEntryInfo info;
    ASSERT_EQ(reader.EntryInfo(0, info), kZipOk);
    constexpr std::uint64_t kEpoch = 116444736000000000ULL;
    EXPECT_EQ(info.modificationTime, kEpoch + 1000000000ULL * 10000000ULL);
    EXPECT_EQ(info.accessTime, kEpoch + 1234567890ULL * 10000000ULL);
    EXPECT_EQ(info.creationTime, DosStampToFileTime(test::kDosDate1980 << 16));
}

struct CodeCase {
    const char* what;
    test::ZipEntryOptions options;
    std::uint32_t code;
};
std::ostream& operator<<(std::ostream& out, const CodeCase& c) { return out << c.what; }

class EntryInfoCodeTest : public ZipReaderTest, public testing::WithParamInterface<CodeCase> {};

TEST_P(EntryInfoCodeTest, AnswersTheReadersCode)
{
    ZipBuilder builder;
    builder.AddFile("good.txt", "good").AddFile("entry.bin", "entry data", GetParam().options);
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    ZipEntryInfo info;
    EXPECT_EQ(reader.EntryInfo(1, info), GetParam().code) << GetParam().what;
    EXPECT_EQ(reader.EntryInfo(0, info), kZipOk);
    EXPECT_EQ(info.name, "good.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Headers, EntryInfoCodeTest,
    testing::Values(
        CodeCase{"consistent", {}, kZipOk},
        CodeCase{"data descriptor: zeros in the local header are no disagreement", {.dataDescriptor = true}, kZipOk},
        CodeCase{"local method differs", {.localMethod = 8}, kZipBadHeader},
        CodeCase{"local name length differs", {.localName = "entry.binary"}, kZipBadHeader},
        CodeCase{"local CRC-32 differs", {.localCrc = 7}, kZipBadHeader},
        CodeCase{"local compressed size differs", {.localCompressedSize = 3}, kZipBadHeader},
        CodeCase{"local uncompressed size differs", {.localUncompressedSize = 3}, kZipBadHeader},
        CodeCase{"no local header signature", {.localSignature = 0x02014B50}, kZipBadHeader},
        CodeCase{"method 12", {.method = 12}, kZipBadHeader}, CodeCase{"method 14", {.method = 14}, kZipBadHeader},
        CodeCase{"method 1", {.method = 1}, kZipBadHeader},
        CodeCase{"local extra field past the end", {.localExtraLength = 0x4000}, kZipBadExtraField}));

TEST_F(ZipReaderTest, UnreadableCentralRecordIsAnUnreadableArchive)
{
    ZipBuilder builder;
    builder.AddFile("one.txt", "1").AddFile("two.txt", "2");
    ASSERT_EQ(OpenBuilt(builder, {.entriesOnDisk = 3, .entriesTotal = 3}), kZipOk);
    EXPECT_EQ(reader.EntryCount(), 3);
    ZipEntryInfo info;
    EXPECT_EQ(reader.EntryInfo(1, info), kZipOk);
    EXPECT_EQ(reader.EntryInfo(2, info), kZipCannotOpen);
    EXPECT_EQ(reader.EntryInfo(0, info), kZipOk);  // positioning recovers from the first entry
}

TEST_F(ZipReaderTest, ArchiveStaysOpenForReadingOnlyUntilClosed)
{
    ASSERT_EQ(OpenBuilt(ZipBuilder().AddFile("a.txt", "a")), kZipOk);
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);

    reader.Close();
    writer = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

TEST_F(ZipReaderTest, WrittenFileEndsNormalButAFailedOneKeepsTheEntrysAttributes)
{
    ZipBuilder builder;
    builder.AddFile("ro.txt", "read-only", {.externalAttributes = 0})
        .AddFile("bad.txt", "damaged", {.externalAttributes = 0, .crc = 1});
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    std::string good = folder / "ro.txt";
    std::string bad = folder / "bad.txt";
    ASSERT_EQ(reader.WriteEntry(0, good), kZipOk);
    EXPECT_EQ(ReadFileBytes(good), "read-only");
    EXPECT_FALSE(GetFileAttributesA(good.c_str()) & FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(reader.WriteEntry(1, bad), kZipReadFailed);
    EXPECT_TRUE(GetFileAttributesA(bad.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(bad.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ZipReaderTest, WriteEntryCodes)
{
    std::string content(40000, 'z');
    ZipBuilder builder;
    builder.AddFile("ok.txt", content, {.method = 8})
        .AddFile("crc.txt", content, {.method = 8, .crc = 1})
        .AddFile("secret.txt", content, {.flags = 1})
        .AddFile("sizes.txt", content, {.compressedSize = 39999, .uncompressedSize = 40000});
    ASSERT_EQ(OpenBuilt(builder), kZipOk);

    EXPECT_EQ(reader.WriteEntry(4, folder / "none"), kZipNoSuchEntry);
    EXPECT_EQ(reader.WriteEntry(0, folder / "missing\\ok.txt"), kZipCannotOpen);
    EXPECT_EQ(reader.WriteEntry(0, folder / "ok.txt"), kZipOk);
    EXPECT_EQ(ReadFileBytes(folder / "ok.txt"), content);

    EXPECT_EQ(reader.WriteEntry(1, folder / "crc.txt"), kZipReadFailed);
    EXPECT_EQ(ReadFileBytes(folder / "crc.txt"), content);  // read whole, then found wrong

    EXPECT_EQ(reader.WriteEntry(2, folder / "secret.txt"), kZipReadFailed);
    EXPECT_FALSE(Exists(folder / "secret.txt"));
    EXPECT_EQ(reader.WriteEntry(3, folder / "sizes.txt"), kZipReadFailed);
    EXPECT_FALSE(Exists(folder / "sizes.txt"));

    // Nothing of a failure stays behind in the reader.
    EXPECT_EQ(reader.WriteEntry(0, folder / "again.txt"), kZipOk);
    EXPECT_EQ(ReadFileBytes(folder / "again.txt"), content);
}

// Sizes that run past the archive's end (over the central directory and
// beyond) fail the entry; nothing past the end is read.
TEST_F(ZipReaderTest, DataSaidToRunPastTheArchivesEndFails)
{
    const std::uint32_t huge = 0x7FFFFFFF;
    // A non-final stored block of 65535 bytes, of which 3 follow.
    const std::string openBlock("\x00\xff\xff\x00\x00"
                                "abc",
                                8);
    ZipBuilder builder;
    builder.AddFile("stored.bin", std::string(5000, 's'), {.compressedSize = huge, .uncompressedSize = huge})
        .AddFile("deflated.bin", "abc",
                 {.method = 8, .rawData = openBlock, .compressedSize = huge, .uncompressedSize = huge})
        .AddFile("ok.txt", "fine");
    ASSERT_EQ(OpenBuilt(builder), kZipOk);
    EXPECT_EQ(reader.WriteEntry(0, folder / "stored.bin"), kZipReadFailed);
    EXPECT_EQ(reader.WriteEntry(1, folder / "deflated.bin"), kZipReadFailed);
    EXPECT_EQ(reader.WriteEntry(2, folder / "ok.txt"), kZipOk);
    EXPECT_EQ(ReadFileBytes(folder / "ok.txt"), "fine");
}

TEST_F(ZipReaderTest, WriteEntryReplacesAnExistingFile)
{
    WriteFileBytes(folder / "x.txt", std::string(1000, 'o'));
    ASSERT_EQ(OpenBuilt(ZipBuilder().AddFile("x.txt", "new")), kZipOk);
    EXPECT_EQ(reader.WriteEntry(0, folder / "x.txt"), kZipOk);
    EXPECT_EQ(ReadFileBytes(folder / "x.txt"), "new");
}

}  // namespace
}  // namespace dovrel
