#include "core/fs/file_ops.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/current_folder.h"
#include "tests/support/folder_link.h"
#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

using test::Exists;
using test::IsFolder;
using test::ListTree;
using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

// Entries relative to root; a name ending in "\" is a folder, any other a
// file holding its own name.
void MakeTree(const std::string& root, const std::vector<std::string>& entries)
{
    for (const std::string& entry : entries) {
        if (entry.back() == '\\') {
            ASSERT_TRUE(CreateDirectoryA((root + "\\" + entry.substr(0, entry.size() - 1)).c_str(), nullptr)) << entry;
        } else {
            WriteFileBytes(root + "\\" + entry, entry);
        }
    }
}

bool IsReadOnly(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

class FileOps : public testing::Test {
protected:
    TempFolder temp;
};

TEST_F(FileOps, CreateFolderMakesOneLevel)
{
    EXPECT_TRUE(CreateFolder(temp / "out"));
    EXPECT_TRUE(IsFolder(temp / "out"));
    EXPECT_FALSE(CreateFolder(temp / "missing\\out"));
    EXPECT_FALSE(Exists(temp / "missing"));
}

TEST_F(FileOps, CreateFolderOnAnExistingFolderFailsAndChangesNothing)
{
    MakeTree(temp.path(), {"out\\", "out\\keep.txt"});
    EXPECT_FALSE(CreateFolder(temp / "out"));
    EXPECT_EQ(ListTree(temp.path()), "out\\\nout\\keep.txt\n");
    EXPECT_FALSE(CreateFolder(""));
}

TEST_F(FileOps, RemoveFileDeletesOnlyWhatMayGo)
{
    MakeTree(temp.path(), {"a.txt", "ro.txt", "sub\\"});
    SetFileAttributesA((temp / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(RemoveFile(temp / "a.txt"));
    EXPECT_FALSE(Exists(temp / "a.txt"));
    EXPECT_FALSE(RemoveFile(temp / "a.txt"));
    EXPECT_FALSE(RemoveFile(temp / "ro.txt"));
    EXPECT_TRUE(Exists(temp / "ro.txt"));
    EXPECT_FALSE(RemoveFile(temp / "sub"));
    EXPECT_TRUE(IsFolder(temp / "sub"));
}

TEST_F(FileOps, MovePathMovesAFolderWithItsContents)
{
    MakeTree(temp.path(), {"TMP\\", "TMP\\ppt\\", "TMP\\ppt\\media\\", "TMP\\ppt\\media\\image1.png"});
    EXPECT_TRUE(MovePath(temp / "TMP\\ppt\\media", temp / "media"));
    EXPECT_TRUE(MovePath(temp / "media", temp / "deck_202146"));
    EXPECT_EQ(ListTree(temp.path()), "TMP\\\nTMP\\ppt\\\ndeck_202146\\\ndeck_202146\\image1.png\n");
    EXPECT_EQ(ReadFileBytes(temp / "deck_202146\\image1.png"), "TMP\\ppt\\media\\image1.png");
}

TEST_F(FileOps, MovePathOntoAnExistingNameFailsAndMovesNothing)
{
    MakeTree(temp.path(), {"media\\", "media\\new.png", "deck_1\\", "deck_1\\old.png", "file.txt"});
    const std::string before = ListTree(temp.path());
    EXPECT_FALSE(MovePath(temp / "media", temp / "deck_1"));
    EXPECT_FALSE(MovePath(temp / "media", temp / "file.txt"));
    EXPECT_FALSE(MovePath(temp / "file.txt", temp / "deck_1"));
    EXPECT_FALSE(MovePath(temp / "missing", temp / "elsewhere"));
    EXPECT_EQ(ListTree(temp.path()), before);
}

class DeleteFolderTreeTest : public FileOps {};

TEST_F(DeleteFolderTreeTest, RemovesAWholeTree)
{
    MakeTree(temp.path(), {"TMP\\", "TMP\\temp.zip", "TMP\\ppt\\", "TMP\\ppt\\media\\", "TMP\\ppt\\media\\a.png",
                           "TMP\\ppt\\slides\\", "TMP\\[Content_Types].xml", "TMP\\empty\\"});
    EXPECT_TRUE(DeleteFolderTree(temp / "TMP"));
    EXPECT_EQ(ListTree(temp.path()), "");
}

TEST_F(DeleteFolderTreeTest, KeepsDotNamedEntriesAndTheFoldersAboveThem)
{
    MakeTree(temp.path(), {"TMP\\", "TMP\\_rels\\", "TMP\\_rels\\.rels", "TMP\\_rels\\other.xml", "TMP\\ppt\\",
                           "TMP\\ppt\\a.png", "TMP\\temp.zip"});
    EXPECT_FALSE(DeleteFolderTree(temp / "TMP"));
    EXPECT_EQ(ListTree(temp.path()), "TMP\\\nTMP\\_rels\\\nTMP\\_rels\\.rels\n");

    EXPECT_TRUE(RemoveFile(temp / "TMP\\_rels\\.rels"));
    EXPECT_TRUE(DeleteFolderTree(temp / "TMP"));
    EXPECT_EQ(ListTree(temp.path()), "");
}

TEST_F(DeleteFolderTreeTest, NeverDeletesInsideADotNamedFolder)
{
    MakeTree(temp.path(), {"TMP\\", "TMP\\.git\\", "TMP\\.git\\config", "TMP\\.git\\objects\\", "TMP\\a.txt"});
    EXPECT_FALSE(DeleteFolderTree(temp / "TMP"));
    EXPECT_EQ(ListTree(temp.path()), "TMP\\\nTMP\\.git\\\nTMP\\.git\\config\nTMP\\.git\\objects\\\n");
}

TEST_F(DeleteFolderTreeTest, LeavesReadOnlyFilesAsTheyAre)
{
    MakeTree(temp.path(), {"TMP\\", "TMP\\word\\", "TMP\\word\\media\\", "TMP\\word\\media\\ro.png",
                           "TMP\\word\\media\\b.png", "TMP\\word\\document.xml", "TMP\\z\\", "TMP\\z\\c.txt"});
    const std::string readOnly = temp / "TMP\\word\\media\\ro.png";
    SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(DeleteFolderTree(temp / "TMP"));
    // The deletion went on past the file that stayed.
    EXPECT_EQ(ListTree(temp.path()), "TMP\\\nTMP\\word\\\nTMP\\word\\media\\\nTMP\\word\\media\\ro.png\n");
    EXPECT_TRUE(IsReadOnly(readOnly));
    EXPECT_EQ(ReadFileBytes(readOnly), "TMP\\word\\media\\ro.png");
}

TEST_F(DeleteFolderTreeTest, SkipsLeadingSpaces)
{
    MakeTree(temp.path(), {"TMP\\", "TMP\\a.txt"});
    EXPECT_TRUE(DeleteFolderTree("  " + (temp / "TMP")));
    EXPECT_FALSE(Exists(temp / "TMP"));
}

TEST_F(DeleteFolderTreeTest, FailsOnWhatIsNoFolder)
{
    MakeTree(temp.path(), {"file.txt"});
    EXPECT_FALSE(DeleteFolderTree(temp / "missing"));
    EXPECT_FALSE(DeleteFolderTree(temp / "file.txt"));
    EXPECT_TRUE(Exists(temp / "file.txt"));
}

TEST_F(DeleteFolderTreeTest, TakesANameEndingInTheTrailByteWhole)
{
    // 誠 ends in 0x5C: the folder name must be taken whole, not cut there.
    const std::string folder = temp / "TMP\xD5\x5C";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteFileBytes(folder + "\\a.txt", "a");
    MakeTree(temp.path(), {"TMP\\", "TMP\\keep.txt"});
    EXPECT_TRUE(DeleteFolderTree(folder));
    EXPECT_EQ(ListTree(temp.path()), "TMP\\\nTMP\\keep.txt\n");
}

// A link inside the tree is removed as a link; what it points to stays.
TEST_F(DeleteFolderTreeTest, NeverFollowsAFolderLink)
{
    MakeTree(temp.path(), {"user\\", "user\\precious.docx", "user\\sub\\", "user\\sub\\b.txt", "TMP\\", "TMP\\ppt\\",
                           "TMP\\ppt\\a.png"});
    test::ScopedFolderLink link(temp / "TMP\\ppt\\link", temp / "user");
    if (link.kind() == test::FolderLinkKind::None) GTEST_SKIP() << "no folder link can be made here";
    std::printf("folder link: %s\n", test::FolderLinkKindName(link.kind()));

    const bool removed = DeleteFolderTree(temp / "TMP");
    EXPECT_EQ(ListTree(temp / "user"), "precious.docx\nsub\\\nsub\\b.txt\n");
    EXPECT_FALSE(Exists(temp / "TMP\\ppt\\a.png"));
    if (link.kind() == test::FolderLinkKind::UnixSymbolicLink) {
        // Wine cannot remove a Unix link to a folder, so it keeps its folder.
        EXPECT_FALSE(removed);
        EXPECT_EQ(ListTree(temp / "TMP"), "ppt\\\nppt\\link\\\n");
    } else {
        EXPECT_TRUE(removed);
        EXPECT_FALSE(Exists(temp / "TMP"));
    }
}

TEST_F(DeleteFolderTreeTest, OnALinkItselfRemovesOnlyTheLink)
{
    MakeTree(temp.path(), {"user\\", "user\\precious.docx"});
    test::ScopedFolderLink link(temp / "TMP", temp / "user");
    if (link.kind() == test::FolderLinkKind::None) GTEST_SKIP() << "no folder link can be made here";

    const bool removed = DeleteFolderTree(temp / "TMP");
    EXPECT_EQ(ReadFileBytes(temp / "user\\precious.docx"), "user\\precious.docx");
    if (link.kind() != test::FolderLinkKind::UnixSymbolicLink) {
        EXPECT_TRUE(removed);
        EXPECT_FALSE(Exists(temp / "TMP"));
    }
}

struct RefusalCase {
    std::string path;
    bool refused;
};

class DeleteFolderTreeRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(DeleteFolderTreeRefusal, RefusesBlankPathsAndRoots)
{
    EXPECT_EQ(DeleteFolderTreeRefuses(GetParam().path), GetParam().refused) << "'" << GetParam().path << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DeleteFolderTreeRefusal,
    testing::Values(RefusalCase{"", true}, RefusalCase{"   ", true}, RefusalCase{"C:", true}, RefusalCase{"C:\\", true},
                    RefusalCase{"c:/", true}, RefusalCase{"  C:\\", true}, RefusalCase{"C:x", true},
                    // Other spellings of a root.
                    RefusalCase{"C:\\\\", true}, RefusalCase{"C:\\.", true}, RefusalCase{"C:\\TMP\\..", true},
                    RefusalCase{"C:\\ ", true}, RefusalCase{"\\", true}, RefusalCase{"/", true},
                    RefusalCase{"\\\\server\\share", true}, RefusalCase{"\\\\server\\share\\", true},
                    RefusalCase{"\\\\?\\C:\\", true}, RefusalCase{"\\\\.\\C:", true},
                    RefusalCase{"\\\\?\\UNC\\server\\share\\", true},
                    // Folders.
                    RefusalCase{"C:\\work\\TMP", false}, RefusalCase{"  D:\\work\\TMP", false},
                    RefusalCase{"TMP", false}, RefusalCase{"C:\\\xD5\x5C", false},
                    RefusalCase{"\\\\server\\share\\TMP", false}, RefusalCase{"\\\\?\\C:\\TMP", false}));

// The refusals, for real, on a drive letter whose root is a scratch folder:
// if one of them failed, only that folder would be emptied.
TEST_F(DeleteFolderTreeTest, DeletesNothingAtADriveRoot)
{
    MakeTree(temp.path(), {"root\\", "root\\keep.txt", "root\\sub\\", "root\\sub\\keep.txt"});
    test::ScopedSandboxDrive drive(temp / "root");
    if (!drive.ok()) GTEST_SKIP() << "no drive letter can be mapped here";

    bool onSandbox = false;
    char full[MAX_PATH] = {};
    {
        test::ScopedOverride currentFolder(test::SwapCurrentFolder, drive.root() + "sub");
        GetFullPathNameA("\\", MAX_PATH, full, nullptr);
        onSandbox = drive.root() == full;
        if (onSandbox) {
            for (const std::string& path : {drive.root(), drive.drive(), "  " + drive.root(), drive.root() + "\\",
                                            drive.root() + ".", std::string("\\"), std::string("   "), std::string()}) {
                EXPECT_FALSE(DeleteFolderTree(path)) << "'" << path << "'";
            }
        }
    }
    ASSERT_TRUE(onSandbox) << full;
    EXPECT_EQ(ListTree(temp / "root"), "keep.txt\nsub\\\nsub\\keep.txt\n");
}

}  // namespace
}  // namespace dovrel
