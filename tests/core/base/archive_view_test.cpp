#include "core/base/archive_view.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/base/unique_handle.h"
#include "core/fs/document_file.h"
#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

constexpr std::uint64_t kWindow = 256u << 10;
constexpr std::uint64_t kFirstWindow = 64u << 10;

DocumentFile OpenForReading(const std::string& path) { return DocumentFile::Open(path); }

std::string Bytes(const ArchiveView::Piece& piece)
{
    return std::string(reinterpret_cast<const char*>(piece.bytes), piece.count);
}

class ArchiveViewTest : public testing::Test {
protected:
    TempFolder folder;
    std::string path = folder / "archive.bin";
};

TEST_F(ArchiveViewTest, PiecesEndAtTheFilesEnd)
{
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    WriteFileBytes(path, bytes);
    WriteFileBytes(folder / "empty.bin", "");
    {
        DocumentFile file = OpenForReading(path);
        ArchiveView view;
        view.Open(file);
        EXPECT_EQ(view.size(), bytes.size());
        EXPECT_EQ(Bytes(view.At(299000, 5000)), bytes.substr(299000));
        EXPECT_EQ(Bytes(view.At(100, 20)), bytes.substr(100, 20));
        // A read window (256 KB) ends a piece early; the next one goes on.
        const ArchiveView::Piece first = view.At(0, bytes.size());
        EXPECT_EQ(Bytes(first), bytes.substr(0, first.count));
        EXPECT_EQ(Bytes(view.At(first.count, bytes.size())), bytes.substr(first.count));

        // Whatever a header states, nothing at or past the end is handed out.
        EXPECT_EQ(view.At(bytes.size(), 1).count, 0u);
        EXPECT_EQ(view.At(~0ull, ~0ull).count, 0u);
        EXPECT_EQ(view.At(0, 0).count, 0u);

        DocumentFile empty = OpenForReading(folder / "empty.bin");
        view.Open(empty);
        EXPECT_EQ(view.At(0, 1).count, 0u);
    }
}

// A file larger than one window (sparse, so it costs no disk): a piece
// never runs past its window, and the next one reads the rest.
TEST_F(ArchiveViewTest, PiecesStopAtTheWindowsEnd)
{
    {
        UniqueFile writer(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(writer);
        DWORD returned = 0;
        DeviceIoControl(writer.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(kFirstWindow + kWindow + 100);
        ASSERT_TRUE(SetFilePointerEx(writer.get(), at, nullptr, FILE_BEGIN));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(writer.get(), "tail", 4, &written, nullptr));
    }
    DocumentFile file = OpenForReading(path);
    ArchiveView view;
    view.Open(file);
    ASSERT_EQ(view.At(0, 1).count, 1u);  // the first window, a small one from the start
    EXPECT_EQ(view.At(kFirstWindow - 10, 1000).count, 10u);
    ASSERT_EQ(view.At(kFirstWindow, 1).count, 1u);  // then whole windows
    EXPECT_EQ(view.At(kFirstWindow + kWindow - 10, 1000).count, 10u);
    EXPECT_EQ(Bytes(view.At(kFirstWindow + kWindow + 100, 1000)), "tail");
}

// A writer (an editor saving, a sync client) may cut the file shorter while
// it is read: the view never stands in its way, and gives what is still
// there, then nothing.
TEST_F(ArchiveViewTest, AFileCutShorterWhileReadGivesWhatIsLeftThenNothing)
{
    WriteFileBytes(path, std::string(3 * kWindow, 'x'));
    DocumentFile file = OpenForReading(path);
    ArchiveView view;
    view.Open(file);
    ASSERT_EQ(view.At(0, 100).count, 100u);
    UniqueFile writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    LARGE_INTEGER at;
    at.QuadPart = kWindow + 10;
    ASSERT_TRUE(SetFilePointerEx(writer.get(), at, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(writer.get()));
    EXPECT_EQ(view.At(kWindow, 3 * kWindow).count, 10u);
    EXPECT_EQ(view.At(2 * kWindow, 1).count, 0u);
}

}  // namespace
}  // namespace dovrel
