// The test archives are only as good as the writer that makes them: minizip
// must read back exactly what the builder was asked to write.

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <memory>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"

namespace dovrel::test {
namespace {

struct UnzCloser {
    void operator()(void* file) const { unzClose(file); }
};
using UnzHandle = std::unique_ptr<void, UnzCloser>;

UnzHandle OpenWritten(const TempFolder& folder, const std::string& zip)
{
    std::string path = folder / "built.zip";
    WriteFileBytes(path, zip);
    return UnzHandle(unzOpen64(path.c_str()));
}

struct ReadBack {
    unz_file_info64 info{};
    std::string name;
    std::string data;
    int readResult = 0;
    int closeResult = 0;
};

ReadBack ReadCurrent(unzFile file)
{
    ReadBack back;
    char name[512] = {};
    EXPECT_EQ(unzGetCurrentFileInfo64(file, &back.info, name, sizeof name, nullptr, 0, nullptr, 0), UNZ_OK);
    back.name = name;
    EXPECT_EQ(unzOpenCurrentFile(file), UNZ_OK);
    char buffer[4096];
    for (;;) {
        int n = unzReadCurrentFile(file, buffer, sizeof buffer);
        if (n <= 0) {
            back.readResult = n;
            break;
        }
        back.data.append(buffer, static_cast<std::size_t>(n));
    }
    back.closeResult = unzCloseCurrentFile(file);
    return back;
}

std::string Pattern(std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7919) >> 3);
    return out;
}

TEST(ZipBuilder, StoredDeflatedAndDescribedEntriesReadBackIntact)
{
    TempFolder folder;
    std::string content = Pattern(70000);
    ZipBuilder builder;
    builder.AddFile("a/stored.bin", content);
    builder.AddFile("a/deflated.bin", content, {.method = 8});
    builder.AddFile("a/described.bin", content, {.method = 8, .dataDescriptor = true});
    builder.AddFile("a/described-nosig.bin", content, {.dataDescriptor = true, .descriptorSignature = false});
    builder.AddFolder("a/");
    UnzHandle zip = OpenWritten(folder, builder.Build());
    ASSERT_TRUE(zip);

    unz_global_info64 global{};
    ASSERT_EQ(unzGetGlobalInfo64(zip.get(), &global), UNZ_OK);
    EXPECT_EQ(global.number_entry, 5u);

    const char* names[] = {"a/stored.bin", "a/deflated.bin", "a/described.bin", "a/described-nosig.bin"};
    const unsigned long methods[] = {0, 8, 8, 0};
    ASSERT_EQ(unzGoToFirstFile(zip.get()), UNZ_OK);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        ReadBack back = ReadCurrent(zip.get());
        EXPECT_EQ(back.name, names[i]);
        EXPECT_EQ(back.info.compression_method, methods[i]);
        EXPECT_EQ(back.info.uncompressed_size, content.size());
        EXPECT_EQ(back.data, content);
        EXPECT_EQ(back.readResult, 0);
        EXPECT_EQ(back.closeResult, UNZ_OK);
        EXPECT_EQ(back.info.crc, Crc32(content));
        ASSERT_EQ(unzGoToNextFile(zip.get()), UNZ_OK);
    }
    ReadBack folderEntry = ReadCurrent(zip.get());
    EXPECT_EQ(folderEntry.name, "a/");
    EXPECT_EQ(folderEntry.info.external_fa, 0x41ED0010u);
    EXPECT_EQ(unzGoToNextFile(zip.get()), UNZ_END_OF_LIST_OF_FILE);
}

TEST(ZipBuilder, HeaderFieldsAndExtraFieldsAreWrittenAsChosen)
{
    TempFolder folder;
    std::string ut = ExtendedTimestamp(0x07, {1000, 2000, 3000});
    ZipBuilder builder;
    builder.AddFile("x.txt", "hello",
                    {.externalAttributes = 0x00000021,
                     .versionMadeBy = 0x0014,
                     .dosTime = DosTime(10, 30, 44),
                     .dosDate = DosDate(2020, 6, 15),
                     .localExtra = ut,
                     .centralExtra = ExtendedTimestamp(0x01, {1000})});
    UnzHandle zip = OpenWritten(folder, builder.Build());
    ASSERT_TRUE(zip);

    unz_file_info64 info{};
    ASSERT_EQ(unzGetCurrentFileInfo64(zip.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_EQ(info.external_fa, 0x21u);
    EXPECT_EQ(info.version, 0x14u);
    EXPECT_EQ(info.tmu_date.tm_year, 2020u);
    EXPECT_EQ(info.tmu_date.tm_mon, 5u);  // 0-based
    EXPECT_EQ(info.tmu_date.tm_mday, 15u);
    EXPECT_EQ(info.tmu_date.tm_hour, 10u);
    EXPECT_EQ(info.tmu_date.tm_min, 30u);
    EXPECT_EQ(info.tmu_date.tm_sec, 44u);
    EXPECT_EQ(info.size_file_extra, 9u);

    ASSERT_EQ(unzOpenCurrentFile(zip.get()), UNZ_OK);
    ASSERT_EQ(unzGetLocalExtrafield(zip.get(), nullptr, 0), static_cast<int>(ut.size()));
    std::string local(ut.size(), '\0');
    ASSERT_EQ(unzGetLocalExtrafield(zip.get(), local.data(), static_cast<unsigned>(local.size())),
              static_cast<int>(ut.size()));
    EXPECT_EQ(local, std::string("UT\x0D\x00\x07", 5) + Le32(1000) + Le32(2000) + Le32(3000));
    unzCloseCurrentFile(zip.get());
}

TEST(ZipBuilder, DeliberateDamageIsWhatMinizipSees)
{
    TempFolder folder;
    {
        ZipBuilder builder;
        builder.AddFile("crc.txt", "content", {.crc = 0x12345678});
        UnzHandle zip = OpenWritten(folder, builder.Build());
        ASSERT_TRUE(zip);
        EXPECT_EQ(ReadCurrent(zip.get()).closeResult, UNZ_CRCERROR);
    }
    {
        ZipBuilder builder;
        builder.AddFile("local.txt", "content", {.localMethod = 8});
        UnzHandle zip = OpenWritten(folder, builder.Build());
        ASSERT_TRUE(zip);
        EXPECT_EQ(unzOpenCurrentFile(zip.get()), UNZ_BADZIPFILE);
    }
    {
        ZipBuilder builder;
        builder.AddFile("one.txt", "1");
        builder.AddFile("two.txt", "2");
        ZipArchiveOptions wrongCount{.entriesOnDisk = 1};
        EXPECT_FALSE(OpenWritten(folder, builder.Build(wrongCount)));
        std::string whole = builder.Build();
        EXPECT_FALSE(OpenWritten(folder, whole.substr(0, whole.size() - 30)));
        // minizip reads the missing end of a cut end record as zeros: it
        // opens the archive, but its central directory is not there.
        UnzHandle cut = OpenWritten(folder, whole.substr(0, whole.size() - 10));
        ASSERT_TRUE(cut);
        EXPECT_NE(unzGoToFirstFile(cut.get()), UNZ_OK);
    }
    {
        ZipBuilder builder;
        builder.AddFile("first.txt", "shared bytes");
        builder.AddFile("second.txt", "shared bytes", {.reuseLocalOf = 0});
        std::string zip = builder.Build();
        EXPECT_EQ(builder.LocalOffsets()[0], builder.LocalOffsets()[1]);
        EXPECT_EQ(zip.find("second.txt"), zip.rfind("second.txt"));  // central record only
        UnzHandle handle = OpenWritten(folder, zip);
        ASSERT_TRUE(handle);
    }
}

TEST(ZipBuilder, PrefixShiftsTheArchiveButNotItsOffsets)
{
    TempFolder folder;
    ZipBuilder builder;
    builder.AddFile("a.txt", "abc");
    UnzHandle zip = OpenWritten(folder, builder.Build({.prefix = "MZ-stub"}));
    ASSERT_TRUE(zip);
    EXPECT_EQ(ReadCurrent(zip.get()).data, "abc");
    EXPECT_EQ(builder.LocalOffsets()[0], 7u);
    EXPECT_EQ(builder.DataOffsets()[0], 7u + 30u + 5u);
}

}  // namespace
}  // namespace dovrel::test
