#include <gtest/gtest.h>
#include <windows.h>

#include "core/fs/file_ops.h"
#include "core/fs/folder_tree.h"
#include "core/fs/scratch_tree.h"
#include "tests/support/file_holder.h"
#include "tests/support/folder_link.h"
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

// Only name surrogates are links; a cloud-synced folder carries a reparse
// point too and must be entered and emptied.
struct LinkRuleCase {
    DWORD attributes;
    DWORD tag;
    bool link;
};

class LinkRule : public testing::TestWithParam<LinkRuleCase> {};

TEST_P(LinkRule, OnlyNameSurrogatesAreLinks)
{
    EXPECT_EQ(IsLinkByTag(GetParam().attributes, GetParam().tag), GetParam().link) << std::hex << GetParam().tag;
}

constexpr DWORD kFolder = FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kReparse = FILE_ATTRIBUTE_REPARSE_POINT;

INSTANTIATE_TEST_SUITE_P(Tags, LinkRule,
                         testing::Values(LinkRuleCase{kFolder, 0, false},
                                         LinkRuleCase{kFolder, IO_REPARSE_TAG_MOUNT_POINT, false},  // no reparse bit
                                         LinkRuleCase{kFolder | kReparse, IO_REPARSE_TAG_MOUNT_POINT, true},
                                         LinkRuleCase{kFolder | kReparse, IO_REPARSE_TAG_SYMLINK, true},
                                         LinkRuleCase{kReparse, IO_REPARSE_TAG_SYMLINK, true},  // a file link
                                         LinkRuleCase{kFolder | kReparse, 0, true},  // a tag that could not be read
                                         LinkRuleCase{kFolder | kReparse, 0x9000001A, false},  // cloud
                                         LinkRuleCase{kFolder | kReparse, 0x9000601A, false},  // cloud, another kind
                                         LinkRuleCase{kReparse, 0x9000001A, false},    // a cloud placeholder file
                                         LinkRuleCase{kReparse, 0x80000013, false}));  // deduplicated file

TEST(RemoveScratchTree, RemovesALinkInsideAsALink)
{
    test::TempFolder root;
    ASSERT_TRUE(CreateFolder(root / "TMP"));
    ASSERT_TRUE(CreateFolder(root / "user"));
    test::WriteFileBytes(root / "user\\photo.jpg", "mine");
    test::WriteFileBytes(root / "TMP\\a.png", "a");
    test::ScopedFolderLink link(root / "TMP\\ppt", root / "user");
    if (link.kind() == test::FolderLinkKind::None) GTEST_SKIP() << "no folder link can be made here";
    EXPECT_FALSE(IsRealFolder(root / "TMP\\ppt"));
    EXPECT_TRUE(IsRealFolder(root / "TMP"));

    const bool removed = RemoveScratchTree(root / "TMP");
    EXPECT_EQ(test::ListTree(root / "user"), "photo.jpg\n");
    EXPECT_FALSE(test::Exists(root / "TMP\\a.png"));
    // Wine cannot remove a Unix link to a folder: the scratch folder stays.
    EXPECT_EQ(removed, link.kind() != test::FolderLinkKind::UnixSymbolicLink);
}

TEST(RemoveScratchTree, WaitsOutAMomentsLockAndAnswersFalseForALastingOne)
{
    test::TempFolder root;
    ASSERT_TRUE(CreateFolder(root / "TMP"));
    test::WriteFileBytes(root / "TMP\\scanned.png", "s");
    {
        test::FileHolder scanner(root / "TMP\\scanned.png", 200);
        ASSERT_TRUE(scanner.held());
        EXPECT_TRUE(RemoveScratchTree(root / "TMP"));
    }
    ASSERT_TRUE(CreateFolder(root / "TMP"));
    test::WriteFileBytes(root / "TMP\\viewed.png", "v");
    test::FileHolder viewer(root / "TMP\\viewed.png");
    EXPECT_FALSE(RemoveScratchTree(root / "TMP"));
    EXPECT_TRUE(test::Exists(root / "TMP\\viewed.png"));
}

TEST(MovePath, WaitsOutAMomentsLock)
{
    test::TempFolder root;
    test::WriteFileBytes(root / "a.png", "a");
    test::FileHolder scanner(root / "a.png", 200);
    ASSERT_TRUE(scanner.held());
    EXPECT_TRUE(MovePath(root / "a.png", root / "b.png"));
}

}  // namespace
}  // namespace dovrel
