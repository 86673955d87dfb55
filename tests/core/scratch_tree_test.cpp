#include <gtest/gtest.h>
#include <windows.h>

#include "core/file_ops.h"
#include "core/scratch_tree.h"
#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

TEST(RemoveScratchTree, RemovesDotNamesAndReadOnlyFilesThatDeleteFolderTreeLeaves)
{
    test::TempFolder root;
    const Text scratch = root / "TMP";
    ASSERT_TRUE(CreateFolder(scratch));
    ASSERT_TRUE(CreateFolder(scratch + "\\_rels"));
    ASSERT_TRUE(CreateFolder(scratch + "\\.hidden"));
    ASSERT_TRUE(CreateFolder(scratch + "\\ppt"));
    ASSERT_TRUE(CreateFolder(scratch + "\\ppt\\media"));
    test::WriteFileBytes(scratch + "\\_rels\\.rels", "R");
    test::WriteFileBytes(scratch + "\\.hidden\\x", "H");
    test::WriteFileBytes(scratch + "\\.DS_Store", "D");
    test::WriteFileBytes(scratch + "\\ppt\\media\\stale.png", "S");
    SetFileAttributesA((scratch + "\\ppt\\media\\stale.png").c_str(), FILE_ATTRIBUTE_READONLY);
    test::WriteFileBytes(scratch + "\\temp.zip", "Z");

    EXPECT_TRUE(RemoveScratchTree(scratch));
    EXPECT_FALSE(test::Exists(scratch));
    EXPECT_TRUE(test::IsFolder(root.path()));
}

TEST(RemoveScratchTree, AMissingFolderIsAlreadyGone)
{
    test::TempFolder root;
    EXPECT_TRUE(RemoveScratchTree(root / "TMP"));
}

TEST(RemoveScratchTree, LeavesAFileOfThatNameAndRefusesRoots)
{
    test::TempFolder root;
    test::WriteFileBytes(root / "TMP", "not a folder");
    EXPECT_FALSE(RemoveScratchTree(root / "TMP"));
    EXPECT_TRUE(test::Exists(root / "TMP"));
    EXPECT_FALSE(RemoveScratchTree("C:\\"));
    EXPECT_FALSE(RemoveScratchTree(""));
}

}  // namespace
}  // namespace dovrel
