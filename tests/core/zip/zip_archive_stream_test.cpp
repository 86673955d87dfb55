#include "core/zip/zip_archive_stream.h"

#include <gtest/gtest.h>

#include <string>

namespace dovrel {
namespace {

// The file's bytes, counting the reads asked for; none from `failAt` on.
class TestSource final : public RandomAccessBytes {
public:
    explicit TestSource(const std::string& bytes, std::uint64_t failAt = UINT64_MAX) : memory_(bytes), failAt_(failAt)
    {
    }
    std::uint64_t size() const override { return memory_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t count) const override
    {
        ++reads;
        if (offset >= failAt_) return 0;
        return memory_.ReadAt(offset, into, std::min<std::uint64_t>(count, failAt_ - offset));
    }
    mutable int reads = 0;

private:
    BytesInMemory memory_;
    std::uint64_t failAt_;
};

class ArchiveStreamTest : public testing::Test {
protected:
    void SetUp() override
    {
        FillArchiveStreamFunctions(functions, source);
        stream =
            functions.zopen64_file(functions.opaque, "any name", ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
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

    static std::string Content()
    {
        std::string bytes;
        for (std::size_t i = 0; i < 200000; ++i) bytes += static_cast<char>((i * 131) ^ (i >> 8));
        return bytes;
    }

    const std::string content = Content();
    TestSource source{content};
    zlib_filefunc64_def functions{};
    voidpf stream = nullptr;
};

TEST_F(ArchiveStreamTest, ReadsOfEverySizeDeliverTheFilesBytes)
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

TEST_F(ArchiveStreamTest, SeeksMoveTheReadPosition)
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

// As minizip reads every entry's headers: a central record, then the
// entry's local header far before it, and on to the next record.
TEST_F(ArchiveStreamTest, HeaderReadsThatAlternateBetweenTwoPlacesKeepAWindowAtEach)
{
    for (std::size_t entry = 0; entry < 40; ++entry) {
        for (std::size_t at : {150000 + entry * 46, 1000 + entry * 90}) {
            Seek(at, ZLIB_FILEFUNC_SEEK_SET);
            EXPECT_EQ(Read(30), content.substr(at, 30)) << "entry " << entry;
        }
    }
    EXPECT_LE(source.reads, 2);
}

TEST_F(ArchiveStreamTest, OpensForReadingOnlyAndTellsAReadThatFailsBeforeTheEnd)
{
    EXPECT_EQ(functions.zopen64_file(functions.opaque, "", ZLIB_FILEFUNC_MODE_CREATE | ZLIB_FILEFUNC_MODE_WRITE),
              nullptr);
    EXPECT_EQ(functions.zwrite_file, nullptr);

    TestSource failing(content, 5000);
    zlib_filefunc64_def failingFunctions{};
    FillArchiveStreamFunctions(failingFunctions, failing);
    voidpf opened = failingFunctions.zopen64_file(failingFunctions.opaque, "", ZLIB_FILEFUNC_MODE_READ);
    ASSERT_NE(opened, nullptr);
    std::string out(8000, '\0');
    EXPECT_EQ(failingFunctions.zread_file(nullptr, opened, out.data(), 8000), 5000u);
    EXPECT_NE(failingFunctions.zerror_file(nullptr, opened), 0);
    failingFunctions.zclose_file(nullptr, opened);
}

}  // namespace
}  // namespace dovrel
