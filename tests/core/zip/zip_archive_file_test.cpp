#include "core/zip/zip_archive_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

class ArchiveFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (std::size_t i = 0; i < 200000; ++i) content += static_cast<char>((i * 131) ^ (i >> 8));
        WriteFileBytes(path, content);
        FillArchiveFileFunctions(functions);
        stream = functions.zopen64_file(nullptr, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
        ASSERT_NE(stream, nullptr);
    }
    void TearDown() override
    {
        if (stream) functions.zclose_file(nullptr, stream);
    }

    std::string Read(uLong count)
    {
        std::string out(count, '\0');
        uLong got = functions.zread_file(nullptr, stream, out.data(), count);
        out.resize(got);
        return out;
    }
    void Seek(ZPOS64_T offset, int origin) { ASSERT_EQ(functions.zseek64_file(nullptr, stream, offset, origin), 0); }
    ZPOS64_T Tell() { return functions.ztell64_file(nullptr, stream); }

    TempFolder folder;
    std::string path = folder / "archive.bin";
    std::string content;
    zlib_filefunc64_def functions{};
    voidpf stream = nullptr;
};

TEST_F(ArchiveFileTest, ReadsOfEverySizeDeliverTheFilesBytes)
{
    // Small reads through the buffer, across its end, and large ones past it.
    std::size_t position = 0;
    for (uLong size : {1u, 2u, 4u, 30u, 4000u, 200u, 4096u, 1u, 16384u, 3u, 65536u, 16384u, 70000u, 100000u}) {
        std::string expected = content.substr(position, size);
        EXPECT_EQ(Read(size), expected) << "read of " << size << " at " << position;
        position += expected.size();
        EXPECT_EQ(Tell(), position);
    }
    EXPECT_EQ(position, content.size());
    EXPECT_EQ(Read(10), "");
    EXPECT_EQ(functions.zerror_file(nullptr, stream), 0);  // the end of the file is no error
}

TEST_F(ArchiveFileTest, SeeksMoveTheReadPosition)
{
    Seek(10000, ZLIB_FILEFUNC_SEEK_SET);
    EXPECT_EQ(Read(4), content.substr(10000, 4));
    Seek(static_cast<ZPOS64_T>(-104), ZLIB_FILEFUNC_SEEK_CUR);  // minizip's way of moving back
    EXPECT_EQ(Tell(), 9900u);
    EXPECT_EQ(Read(8), content.substr(9900, 8));
    Seek(100, ZLIB_FILEFUNC_SEEK_CUR);
    EXPECT_EQ(Read(5000), content.substr(10008, 5000));
    Seek(0, ZLIB_FILEFUNC_SEEK_END);
    EXPECT_EQ(Tell(), content.size());
    Seek(22, ZLIB_FILEFUNC_SEEK_SET);
    EXPECT_EQ(Read(6), content.substr(22, 6));
    Seek(content.size() - 10, ZLIB_FILEFUNC_SEEK_SET);
    EXPECT_EQ(Read(16384), content.substr(content.size() - 10));  // a read cut by the end
    Seek(content.size() - 70000, ZLIB_FILEFUNC_SEEK_SET);
    EXPECT_EQ(Read(70000 + 10), content.substr(content.size() - 70000));
    EXPECT_EQ(functions.zseek64_file(nullptr, stream, 0, 7), -1);
}

TEST_F(ArchiveFileTest, OpensForReadingOnlyAndSharesReadingOnly)
{
    EXPECT_EQ(functions.zopen64_file(nullptr, (folder / "missing.zip").c_str(), ZLIB_FILEFUNC_MODE_READ), nullptr);
    EXPECT_EQ(functions.zopen64_file(nullptr, path.c_str(), ZLIB_FILEFUNC_MODE_CREATE | ZLIB_FILEFUNC_MODE_WRITE),
              nullptr);
    EXPECT_EQ(functions.zwrite_file, nullptr);

    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
}

}  // namespace
}  // namespace dovrel
