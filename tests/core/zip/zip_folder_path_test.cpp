#include <gtest/gtest.h>
#include <windows.h>

#include "core/fs/folder_path.h"
#include "core/text/path_separator.h"
#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

using test::IsFolder;
using test::ListTree;
using test::TempFolder;
using test::WriteFileBytes;

TEST(CreateFolderPath, CreatesEveryMissingLevel)
{
    TempFolder root;
    EXPECT_TRUE(CreateFolderPath(root / "a\\b\\c"));
    EXPECT_EQ(ListTree(root.path()), "a\\\na\\b\\\na\\b\\c\\\n");
    EXPECT_TRUE(CreateFolderPath(root / "a\\b\\d\\"));  // a trailing separator
    EXPECT_TRUE(IsFolder(root / "a\\b\\d"));
}

TEST(CreateFolderPath, ExistingPathIsTrueAndUnchanged)
{
    TempFolder root;
    CreateDirectoryA((root / "a").c_str(), nullptr);
    WriteFileBytes(root / "a\\keep.txt", "kept");
    EXPECT_TRUE(CreateFolderPath(root / "a"));
    EXPECT_TRUE(CreateFolderPath(root.path()));
    EXPECT_EQ(ListTree(root.path()), "a\\\na\\keep.txt\n");
}

TEST(CreateFolderPath, FileInTheWayFailsAndKeepsTheLevelsAbove)
{
    TempFolder root;
    CreateDirectoryA((root / "a").c_str(), nullptr);
    WriteFileBytes(root / "a\\file", "x");
    EXPECT_FALSE(CreateFolderPath(root / "a\\file\\b"));
    EXPECT_FALSE(CreateFolderPath(root / "a\\file"));
    EXPECT_TRUE(CreateFolderPath(root / "n\\m"));
    EXPECT_EQ(ListTree(root.path()), "a\\\na\\file\nn\\\nn\\m\\\n");
}

TEST(CreateFolderPath, NetworkPathCannotBeBuiltLevelByLevel)
{
    EXPECT_FALSE(CreateFolderPath("\\\\dovrel-no-such-server\\share\\folder"));
}

TEST(CreateFolderPath, TrailByte5CIsNoSeparator)
{
    TempFolder root;
    EXPECT_TRUE(CreateFolderPath(root / "\xB5\x5Cx\\y"));
    EXPECT_EQ(ListTree(root.path()), "\xB5\x5Cx\\\n\xB5\x5Cx\\y\\\n");
}

TEST(CreateFolderPath, TakesSlashesToo)
{
    TempFolder root;
    EXPECT_TRUE(CreateFolderPath(root / "a/b\\c/"));
    EXPECT_EQ(ListTree(root.path()), "a\\\na\\b\\\na\\b\\c\\\n");
}

TEST(LastSeparator, LooksAtWholeCharacters)
{
    EXPECT_TRUE(EndsWithSeparator("C:\\"));
    EXPECT_TRUE(EndsWithSeparator("C:/a/"));
    EXPECT_TRUE(EndsWithSeparator("a\xB5\x5C\\"));
    EXPECT_FALSE(EndsWithSeparator("C:\\a"));
    EXPECT_FALSE(EndsWithSeparator("a\xB5\x5C"));  // a trail byte, not a separator
    EXPECT_FALSE(EndsWithSeparator(""));
    EXPECT_EQ(LastSeparator("C:\\a/b\xB5\x5C"), 4u);
    EXPECT_EQ(LastSeparator("\xB5\x5C"), Text::npos);
}

}  // namespace
}  // namespace dovrel
