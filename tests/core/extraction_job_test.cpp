#include <gtest/gtest.h>
#include <windows.h>

#include "core/document_name.h"
#include "core/extraction_job.h"
#include "core/file_ops.h"
#include "core/media_folder.h"
#include "core/result_name.h"
#include "core/work_paths.h"
#include "tests/support/current_folder.h"
#include "tests/support/office_package.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

using test::OfficeKind;

// ---- Name analysis -------------------------------------------------------

struct NameCase {
    const char* path;
    const char* documentName;
    const char* extension;
    const char* baseName;
};

class DocumentNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(DocumentNameTest, SplitsAtTheLastRealSeparators)
{
    DocumentName name = AnalyseDocumentName(GetParam().path);
    EXPECT_EQ(name.documentName, GetParam().documentName);
    EXPECT_EQ(name.extension, GetParam().extension);
    EXPECT_EQ(name.baseName, GetParam().baseName);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DocumentNameTest,
    testing::Values(NameCase{"C:\\docs\\报告.pptx", "报告.pptx", "pptx", "报告"},
                    NameCase{"C:\\docs\\a.b.docx", "a.b.docx", "docx", "a.b"},
                    NameCase{"C:\\docs\\README", "README", "README", ""},
                    NameCase{"deck.pptx", "deck.pptx", "pptx", "deck"},
                    NameCase{"C:\\docs\\.pptx", ".pptx", "pptx", ""},
                    // 誠 is D5 5C: its trail byte is a "\" that must not split.
                    NameCase{"C:\\\xD5\x5C\\a.xlsx", "a.xlsx", "xlsx", "a"},
                    NameCase{"C:\\d\\\xD5\x5C.pptx", "\xD5\x5C.pptx", "pptx", "\xD5\x5C"}));

TEST(MediaFolder, RowsMatchEitherExtensionInAnyLetterCase)
{
    EXPECT_EQ(MediaFolderFor("ppt"), "\\ppt\\media");
    EXPECT_EQ(MediaFolderFor("pptx"), "\\ppt\\media");
    EXPECT_EQ(MediaFolderFor("PPTX"), "\\ppt\\media");
    EXPECT_EQ(MediaFolderFor("Docx"), "\\word\\media");
    EXPECT_EQ(MediaFolderFor("doc"), "\\word\\media");
    EXPECT_EQ(MediaFolderFor("xls"), "\\xl\\media");
    EXPECT_EQ(MediaFolderFor("XLSX"), "\\xl\\media");
    EXPECT_EQ(MediaFolderFor("pptm"), std::nullopt);
    EXPECT_EQ(MediaFolderFor(""), std::nullopt);
    EXPECT_EQ(MediaFolderFor("zip"), std::nullopt);
}

TEST(ResultSuffix, IsAlwaysSixDigitsFromTheJobsRange)
{
    for (int i = 0; i < 200; ++i) {
        Text suffix = DrawResultSuffix();
        ASSERT_EQ(suffix.size(), 6u) << suffix;
        int value = std::stoi(suffix);
        EXPECT_GE(value, 202105);
        EXPECT_LE(value, 234872);
    }
}

TEST(ResultName, DrawsAgainWhileTheNameIsTaken)
{
    test::TempFolder root;
    CreateFolder(root / "media");
    CreateFolder(root / "deck_111111");
    CreateFolder(root / "deck_222222");
    int draws = 0;
    auto next = [&draws] { return ++draws == 1 ? Text("222222") : Text("333333"); };
    ASSERT_TRUE(GiveResultName(root / "media", root.path(), "deck", "111111", next));
    EXPECT_EQ(draws, 2);
    EXPECT_TRUE(test::IsFolder(root / "deck_333333"));
    EXPECT_FALSE(test::Exists(root / "media"));
}

TEST(ResultName, GivesUpAfterABoundedNumberOfNames)
{
    test::TempFolder root;
    CreateFolder(root / "media");
    CreateFolder(root / "deck_111111");
    int draws = 0;
    auto same = [&draws] {
        ++draws;
        return Text("111111");
    };
    EXPECT_FALSE(GiveResultName(root / "media", root.path(), "deck", "111111", same));
    EXPECT_EQ(draws, kResultNameAttempts - 1);
    EXPECT_TRUE(test::IsFolder(root / "media"));
}

// ---- The job on real packages --------------------------------------------

class ExtractionJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetUpWorkPaths();
        ASSERT_EQ(CurrentWorkPaths().outputRoot, documentsFolder / "PPT_RES");
    }
    void TearDown() override { ReleaseWorkPaths(); }

    // Writes a document into the "user's" folder and selects it.
    Text PlaceDocument(const std::string& fileName, const std::string& bytes)
    {
        Text path = userFiles / fileName;
        test::WriteFileBytes(path, bytes);
        SetSelectedDocument(path);
        return path;
    }

    Text OutputRoot() const { return CurrentWorkPaths().outputRoot; }
    Text ScratchFolder() const { return CurrentWorkPaths().scratchFolder; }

    // The result folders in the output root, apart from TMP.
    std::vector<std::string> ResultFolders() const { return test::FolderEntries(OutputRoot(), "TMP"); }

    std::vector<std::string> SuccessEvents() const
    {
        return {"message:提示:提取成功！", "open:" + OutputRoot()};
    }

    test::TempFolder documentsFolder;
    test::TempFolder userFiles;
    test::RecordingUserSeam user{documentsFolder.path() + "\\"};
    ScopedUserSeam seam{user};
};

TEST_F(ExtractionJobTest, StartUpFixesThePathsUnderDocuments)
{
    EXPECT_EQ(ScratchFolder(), documentsFolder / "PPT_RES\\TMP");
    EXPECT_EQ(CurrentWorkPaths().scratchArchive, documentsFolder / "PPT_RES\\TMP\\temp.zip");
}

struct KindCase {
    OfficeKind kind;
    const char* fileName;
    const char* baseName;
};

class ExtractionJobKindTest : public ExtractionJobTest, public testing::WithParamInterface<KindCase> {};

TEST_P(ExtractionJobKindTest, MovesExactlyTheMediaIntoANewResultFolder)
{
    const std::map<std::string, std::string> media = {
        {"image1.png", test::MediaBytes("png", 5000)},
        {"image2.jpeg", test::MediaBytes("jpeg", 70000)},
        {"media1.mp4", test::MediaBytes("mp4", 300000)},
    };
    Text document = PlaceDocument(GetParam().fileName, test::MakeOfficePackage(GetParam().kind, media));
    std::string original = test::ReadFileBytes(document);

    RunExtraction();

    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    const std::string prefix = std::string(GetParam().baseName) + "_";
    ASSERT_EQ(results[0].compare(0, prefix.size(), prefix), 0) << results[0];
    int suffix = std::stoi(results[0].substr(prefix.size()));
    EXPECT_GE(suffix, 202105);
    EXPECT_LE(suffix, 234872);

    Text resultFolder = OutputRoot() + "\\" + results[0];
    EXPECT_EQ(test::ListTree(resultFolder), "image1.png\nimage2.jpeg\nmedia1.mp4\n");
    for (const auto& [name, bytes] : media) EXPECT_EQ(test::ReadFileBytes(resultFolder + "\\" + name), bytes) << name;
    EXPECT_FALSE(test::Exists(ScratchFolder()));
    EXPECT_EQ(test::ReadFileBytes(document), original);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ExtractionJobKindTest,
                         testing::Values(KindCase{OfficeKind::Presentation, "报告.pptx", "报告"},
                                         KindCase{OfficeKind::WordDocument, "letter.docx", "letter"},
                                         KindCase{OfficeKind::Workbook, "a.b.xlsx", "a.b"},
                                         // a zip package named like an old document
                                         KindCase{OfficeKind::Presentation, "old-name.ppt", "old-name"},
                                         // extensions match whatever their case
                                         KindCase{OfficeKind::Presentation, "SLIDES.PPTX", "SLIDES"},
                                         KindCase{OfficeKind::WordDocument, "Report.Docx", "Report"}));

TEST_F(ExtractionJobTest, ANameWithoutDotGivesAnUnderscoreFolderWhenItsKindIsKnown)
{
    // "pptx" alone is both the whole name and its extension.
    PlaceDocument("pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0][0], '_');
    EXPECT_EQ(results[0].size(), 7u);
}

TEST_F(ExtractionJobTest, APackageWithoutMediaEndsSilentlyAndClearsTheScratchFolder)
{
    PlaceDocument("plain.docx", test::MakeOfficePackage(OfficeKind::WordDocument, {}));
    RunExtraction();
    EXPECT_TRUE(user.events.empty());
    EXPECT_TRUE(ResultFolders().empty());
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, AnUnknownExtensionEndsSilently)
{
    PlaceDocument("deck.zip", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    RunExtraction();
    EXPECT_TRUE(user.events.empty());
    EXPECT_TRUE(ResultFolders().empty());
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, ACompoundDocumentThatCannotBeOpenedFailsAndKeepsTheScratchFolderUntilTheNextStart)
{
    PlaceDocument("old.ppt", test::CompoundFileBytes());
    RunExtraction();
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_TRUE(ResultFolders().empty());
    EXPECT_TRUE(test::Exists(ScratchFolder()));

    SetUpWorkPaths();
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, NothingSelectedFailsEvenWithAnArchiveLeftByAnEarlierRun)
{
    // A good package left behind as the scratch archive must never be
    // extracted under another document's name.
    CreateFolder(OutputRoot());
    CreateFolder(ScratchFolder());
    test::WriteFileBytes(CurrentWorkPaths().scratchArchive,
                         test::MakeOfficePackage(OfficeKind::Presentation, {{"stale.png", "S"}}));
    SetSelectedDocument("");
    RunExtraction();
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_TRUE(ResultFolders().empty());
}

TEST_F(ExtractionJobTest, TwoDroppedPathsInOneTextFail)
{
    Text a = PlaceDocument("a.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    Text b = PlaceDocument("b.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"b.png", "B"}}));
    SetSelectedDocument(a + "\r\n" + b + "\r\n");
    RunExtraction();
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_TRUE(ResultFolders().empty());
}

TEST_F(ExtractionJobTest, LeftoversOfAFailedRunNeverJoinTheNextDocumentsMedia)
{
    CreateFolder(OutputRoot());
    CreateFolder(ScratchFolder());
    CreateFolder(ScratchFolder() + "\\ppt");
    CreateFolder(ScratchFolder() + "\\ppt\\media");
    test::WriteFileBytes(ScratchFolder() + "\\ppt\\media\\stale.png", "S");

    PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"fresh.png", "F"}}));
    RunExtraction();
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(test::ListTree(OutputRoot() + "\\" + results[0]), "fresh.png\n");
}

TEST_F(ExtractionJobTest, TwoRunsOfOneDocumentGiveTwoResultFolders)
{
    PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    RunExtraction();
    RunExtraction();
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_NE(results[0], results[1]);
    EXPECT_EQ(user.events.size(), 4u);
}

TEST_F(ExtractionJobTest, AMediaFolderLeftInTheOutputRootEndsTheRunSilently)
{
    CreateFolder(OutputRoot());
    CreateFolder(OutputRoot() + "\\media");
    PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    RunExtraction();
    EXPECT_TRUE(user.events.empty());
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, AResultNameThatCannotBeMadeFailsAndLeavesNoMediaFolderBehind)
{
    // A 250-byte base name is a valid document name (255 bytes with
    // ".pptx"), but <base name>_<number> is longer than a file-name
    // component may be, so no suffix can work. The document is selected by
    // a relative path to keep the whole path within the limit.
    test::CurrentFolderGuard restore;
    SetCurrentDirectoryA(userFiles.path().c_str());
    const std::string longName = std::string(250, 'n') + ".pptx";
    test::WriteFileBytes(longName, test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    SetSelectedDocument(longName);
    RunExtraction();
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_FALSE(test::Exists(OutputRoot() + "\\media"));
    EXPECT_FALSE(test::Exists(ScratchFolder()));
    EXPECT_TRUE(ResultFolders().empty());

    // ... and the output root does not block the next document.
    user.events.clear();
    PlaceDocument("next.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"b.png", "B"}}));
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
}

TEST(ExtractionJobWithoutDocuments, WorksInARelativeOutputRoot)
{
    test::TempFolder current;
    test::TempFolder userFiles;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(current.path().c_str());

    test::RecordingUserSeam user{""};
    ScopedUserSeam seam{user};
    SetUpWorkPaths();
    EXPECT_EQ(CurrentWorkPaths().outputRoot, "PPT_RES");
    test::WriteFileBytes(userFiles / "deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    SetSelectedDocument(userFiles / "deck.pptx");
    RunExtraction();
    EXPECT_EQ(user.events, (std::vector<std::string>{"message:提示:提取成功！", "open:PPT_RES"}));
    EXPECT_TRUE(test::IsFolder(current / "PPT_RES"));
    ReleaseWorkPaths();
    SetCurrentDirectoryA(previous);
}

}  // namespace
}  // namespace dovrel
