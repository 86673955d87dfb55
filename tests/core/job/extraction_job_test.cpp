#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "core/fs/folder_path.h"
#include "core/job/document_batch.h"
#include "core/job/document_folder.h"
#include "core/job/document_name.h"
#include "core/job/extraction_job.h"
#include "core/fs/file_ops.h"
#include "core/job/media_folder.h"
#include "core/job/result_name.h"
#include "core/job/work_paths.h"
#include "core/base/unique_handle.h"
#include "tests/support/current_folder.h"
#include "tests/support/file_holder.h"
#include "tests/support/folder_link.h"
#include "tests/support/office_package.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"

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

INSTANTIATE_TEST_SUITE_P(Paths, DocumentNameTest,
                         testing::Values(NameCase{"C:\\docs\\报告.pptx", "报告.pptx", "pptx", "报告"},
                                         NameCase{"C:\\docs\\a.b.docx", "a.b.docx", "docx", "a.b"},
                                         NameCase{"C:\\docs\\README", "README", "README", ""},
                                         NameCase{"deck.pptx", "deck.pptx", "pptx", "deck"},
                                         NameCase{"C:/docs/deck.pptx", "deck.pptx", "pptx", "deck"},
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
    EXPECT_EQ(MediaFolderFor("pptm"), "\\ppt\\media");
    EXPECT_EQ(MediaFolderFor(""), std::nullopt);
    EXPECT_EQ(MediaFolderFor("zip"), std::nullopt);
    // Whole extensions only.
    EXPECT_EQ(MediaFolderFor("pptmx"), std::nullopt);
    EXPECT_EQ(MediaFolderFor("xlsb "), std::nullopt);
    EXPECT_EQ(MediaFolderFor("dot"), std::nullopt);
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

    std::vector<std::string> SuccessEvents() const { return {"message:提示:提取成功！", "open:" + OutputRoot()}; }

    test::TempFolder documentsFolder;
    test::TempFolder userFiles;
    test::RecordingUserSeam user{documentsFolder.path() + "\\"};
    test::ScopedOverride<UserSeam*> seam{InstallUserSeam, &user};
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
                                         KindCase{OfficeKind::WordDocument, "Report.Docx", "Report"},
                                         // macro-enabled files, slide shows, templates, binary workbooks
                                         KindCase{OfficeKind::Presentation, "macro.pptm", "macro"},
                                         KindCase{OfficeKind::Presentation, "show.PPSX", "show"},
                                         KindCase{OfficeKind::Presentation, "show.ppsm", "show"},
                                         KindCase{OfficeKind::Presentation, "design.Potx", "design"},
                                         KindCase{OfficeKind::Presentation, "design.potm", "design"},
                                         KindCase{OfficeKind::WordDocument, "macro.DOCM", "macro"},
                                         KindCase{OfficeKind::WordDocument, "letter.dotx", "letter"},
                                         KindCase{OfficeKind::WordDocument, "letter.dotm", "letter"},
                                         KindCase{OfficeKind::Workbook, "sums.xlsm", "sums"},
                                         KindCase{OfficeKind::Workbook, "sums.XLSB", "sums"},
                                         KindCase{OfficeKind::Workbook, "form.xltx", "form"},
                                         KindCase{OfficeKind::Workbook, "form.xltM", "form"}));

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
    // The document is read where it is: no copy of it is made.
    EXPECT_TRUE(test::IsFolder(ScratchFolder()));
    EXPECT_FALSE(test::Exists(CurrentWorkPaths().scratchArchive));

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

TEST_F(ExtractionJobTest, TwoDroppedPathsInOneTextAreABatch)
{
    Text a = PlaceDocument("a.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    Text b = PlaceDocument("b.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"b.png", "B"}}));
    SetSelectedDocuments(SplitDroppedPaths(a + "\r\n" + b + "\r\n"));
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    EXPECT_EQ(ResultFolders().size(), 2u);
}

// ---- Batches ---------------------------------------------------------------

// A good document of each kind holds one picture named after it.
enum class Entry {
    Presentation,
    WordDocument,
    Workbook,
    NoMedia,
    NotAZip,
    Folder,
    Damaged,
    Hidden
};  // OfficeKind's first
static_assert(static_cast<int>(Entry::Workbook) == static_cast<int>(OfficeKind::Workbook));

struct BatchCase {
    const char* name;
    std::vector<std::pair<const char*, Entry>> entries;  // file name, what it is
    const char* message;                                 // null: no message box
    std::vector<std::string> results;                    // base names of the result folders, sorted
};

void PrintTo(const BatchCase& c, std::ostream* out) { *out << c.name; }

class BatchTest : public ExtractionJobTest, public testing::WithParamInterface<BatchCase> {};

TEST_P(BatchTest, ExtractsEachDocumentAsASingleRunAndTellsOnce)
{
    std::vector<Text> documents;
    for (const auto& [fileName, entry] : GetParam().entries) {
        const Text path = userFiles / fileName;
        // An entry inside a chosen folder is found through it; its picture
        // is named as its result folder will be.
        const std::string name = fileName;
        const std::size_t slash = name.find('\\');
        if (slash == std::string::npos) documents.push_back(path);
        const Text base = FolderResultBaseName(slash == std::string::npos ? name : name.substr(slash + 1));
        const std::map<std::string, std::string> picture = {{base + ".png", "P"}};
        switch (entry) {
        case Entry::Folder: CreateFolder(path); break;
        case Entry::NotAZip: test::WriteFileBytes(path, "not a zip package, whatever its name says"); break;
        case Entry::Damaged: test::WriteFileBytes(path, "PK\x03\x04 and then no zip package"); break;
        case Entry::NoMedia: test::WriteFileBytes(path, test::MakeOfficePackage(OfficeKind::WordDocument, {})); break;
        case Entry::Hidden:
            test::WriteFileBytes(path, test::MakeOfficePackage(OfficeKind::Presentation, picture));
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
            break;
        default: test::WriteFileBytes(path, test::MakeOfficePackage(static_cast<OfficeKind>(entry), picture));
        }
    }
    SetSelectedDocuments(documents);
    RunExtraction();

    std::vector<std::string> expectedEvents;
    if (GetParam().message) expectedEvents.push_back(std::string("message:提示:") + GetParam().message);
    if (!GetParam().results.empty()) expectedEvents.push_back("open:" + OutputRoot());
    EXPECT_EQ(user.events, expectedEvents);
    // <base>_<number>, each holding its own document's picture and nothing else.
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), GetParam().results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        const std::string& base = GetParam().results[i];
        EXPECT_EQ(results[i].substr(0, results[i].size() - 7), base) << results[i];
        EXPECT_EQ(test::ListTree(OutputRoot() + "\\" + results[i]), base + ".png\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Batches, BatchTest,
    testing::Values(
        BatchCase{"ThreeGoodDocuments",
                  {{"a.pptx", Entry::Presentation}, {"b.docx", Entry::WordDocument}, {"c.xlsm", Entry::Workbook}},
                  "提取成功！",
                  {"a", "b", "c"}},
        BatchCase{"AFailingDocumentInTheMiddleIsNamed",
                  {{"a.pptx", Entry::Presentation}, {"坏.pptx", Entry::NotAZip}, {"c.docx", Entry::WordDocument}},
                  "提取失败！\r\n坏.pptx",
                  {"a", "c"}},
        // Lock files, hidden files and files that only look like documents
        // are passed over.
        BatchCase{"AFolderStandsForTheDocumentsInItAndItsFolders",
                  {{"decks", Entry::Folder},
                   {"decks\\a.pptx", Entry::Presentation},
                   {"decks\\2024", Entry::Folder},
                   {"decks\\2024\\a.pptx", Entry::Presentation},
                   {"decks\\2024\\b.docx", Entry::WordDocument},
                   {"decks\\~$a.pptx", Entry::Presentation},
                   {"decks\\secret.pptx", Entry::Hidden},
                   {"decks\\fake.pptx", Entry::NotAZip},
                   {"decks\\notes.txt", Entry::NotAZip},
                   {"d.docx", Entry::WordDocument}},
                  "提取成功！",
                  {"2024_a", "2024_b", "a", "d"}},
        BatchCase{"AFailureInAFolderIsNamedByItsRelativePath",
                  {{"decks", Entry::Folder},
                   {"decks\\2024", Entry::Folder},
                   {"decks\\2024\\坏.pptx", Entry::Damaged},
                   {"decks\\c.xlsx", Entry::Workbook}},
                  "提取失败！\r\n2024\\坏.pptx",
                  {"c"}},
        BatchCase{"EveryFailureOnALineOfItsOwn",
                  {{"x.pptx", Entry::NotAZip}, {"y.docx", Entry::NotAZip}},
                  "提取失败！\r\nx.pptx\r\ny.docx",
                  {}},
        // No media and an unknown kind are no failures; nothing to open.
        BatchCase{"NothingToExtractIsNoFailure",
                  {{"plain.docx", Entry::NoMedia}, {"deck.zip", Entry::Presentation}},
                  "提取成功！",
                  {}},
        BatchCase{"ABatchOfOneIsASingleRun", {{"plain.docx", Entry::NoMedia}}, nullptr, {}},
        BatchCase{"AFolderWithoutDocumentsEndsSilently",
                  {{"photos", Entry::Folder}, {"photos\\notes.txt", Entry::NotAZip}},
                  nullptr,
                  {}},
        BatchCase{"AFolderOfOneIsABatch",
                  {{"one", Entry::Folder}, {"one\\a.pptx", Entry::Presentation}},
                  "提取成功！",
                  {"a"}}),
    [](const testing::TestParamInfo<BatchCase>& info) { return std::string(info.param.name); });

// Records the percents; asks for a stop at the first report from
// `stopAt` percent on.
class RecordingProgress : public Progress {
public:
    bool Report(std::uint64_t done, std::uint64_t total) override
    {
        const int percent = PercentOf(done, total);
        percents.push_back(percent);
        return answer ? answer(percent) : true;
    }
    std::function<bool(int)> answer;
    std::vector<int> percents;
};

TEST_F(ExtractionJobTest, ABatchReportsItsWholeProgressAndAStopEndsItWithoutAMessage)
{
    Text a = PlaceDocument("a.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    Text b = PlaceDocument("b.docx", test::MakeOfficePackage(OfficeKind::WordDocument, {{"b.png", "B"}}));
    SetSelectedDocuments({a, b});
    RecordingProgress whole;
    RunExtraction(&whole);
    ASSERT_FALSE(whole.percents.empty());
    EXPECT_TRUE(std::is_sorted(whole.percents.begin(), whole.percents.end()));
    EXPECT_LE(whole.percents.front(), 50);  // the first document reports within its half
    EXPECT_EQ(whole.percents.back(), 100);
    EXPECT_NE(std::find(whole.percents.begin(), whole.percents.end(), 50), whole.percents.end());

    // A stop in the second document: the first one's result stays, nothing is said.
    user.events.clear();
    RecordingProgress stopping;
    stopping.answer = [](int percent) { return percent < 51; };
    RunExtraction(&stopping);
    EXPECT_TRUE(user.events.empty());
    EXPECT_EQ(ResultFolders().size(), 3u);
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

// The window shows and selects what a drop splits into (main window tests).
TEST(DroppedPaths, EmptyMembersAreNoDocuments)
{
    EXPECT_EQ(SplitDroppedPaths("a\r\n\r\nb\r\n"), (std::vector<Text>{"a", "b"}));
    EXPECT_TRUE(SplitDroppedPaths("").empty());
}

// ---- Folders ---------------------------------------------------------------

TEST(FolderResultBaseName, JoinsTheRelativeFoldersWithUnderscores)
{
    EXPECT_EQ(FolderResultBaseName("deck.pptx"), "deck");
    EXPECT_EQ(FolderResultBaseName("2024\\deck.pptx"), "2024_deck");
    EXPECT_EQ(FolderResultBaseName("a\\b\\报告.v2.pptx"), "a_b_报告.v2");
    // 誠 is D5 5C: its trail byte stays.
    EXPECT_EQ(FolderResultBaseName("\xD5\x5C\\a.xlsx"), "\xD5\x5C_a");
}

struct FolderLimitCase {
    const char* name;
    FolderLimits limits;
    FolderSearch outcome;
    std::size_t found;
};

void PrintTo(const FolderLimitCase& c, std::ostream* out) { *out << c.name; }

class FolderLimitTest : public testing::TestWithParam<FolderLimitCase> {};

// a.pptx, 1\b.pptx, 1\2\c.docx: two levels, three documents.
TEST_P(FolderLimitTest, RefusesTheWholeFolderPastALimit)
{
    test::TempFolder root;
    CreateFolderPath(root / "1\\2");
    test::WriteFileBytes(root / "a.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {}));
    test::WriteFileBytes(root / "1\\b.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {}));
    test::WriteFileBytes(root / "1\\2\\c.docx", test::CompoundFileBytes());
    FolderDocuments found = FindFolderDocuments(root.path(), root / "PPT_RES", nullptr, GetParam().limits);
    EXPECT_EQ(found.outcome, GetParam().outcome);
    EXPECT_EQ(found.documents.size(), GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(Limits, FolderLimitTest,
                         testing::Values(FolderLimitCase{"AtBothLimits", {2, 3}, FolderSearch::Found, 3},
                                         FolderLimitCase{"OneLevelTooDeep", {1, 3}, FolderSearch::TooDeep, 0},
                                         FolderLimitCase{"OneDocumentTooMany", {2, 2}, FolderSearch::TooMany, 0}),
                         [](const testing::TestParamInfo<FolderLimitCase>& info) { return info.param.name; });

TEST_F(ExtractionJobTest, AFolderPastTheDepthLimitFailsAsAWholeAndWritesNothing)
{
    Text deepest = userFiles / "deep";
    for (int level = 0; level <= FolderLimits{}.depth; ++level) deepest += "\\d";
    ASSERT_TRUE(CreateFolderPath(deepest));
    test::WriteFileBytes(userFiles / "deep\\a.pptx",
                         test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    SetSelectedDocument(userFiles / "deep");
    RunExtraction();
    EXPECT_EQ(user.events, (std::vector<std::string>{"message:提示:提取失败！\r\ndeep"}));
    EXPECT_FALSE(test::Exists(OutputRoot()));
}

// Extracting the output root, or a folder in it, would never end.
TEST_F(ExtractionJobTest, TheOutputRootAndItsFoldersAreRefusedAndNothingIsWritten)
{
    ASSERT_TRUE(CreateFolderPath(OutputRoot() + "\\deck_202222"));
    test::WriteFileBytes(OutputRoot() + "\\deck_202222\\a.pptx",
                         test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    const std::string before = test::ListTree(documentsFolder.path());
    for (const Text& chosen : {OutputRoot(), OutputRoot() + "\\deck_202222", OutputRoot() + "\\"}) {
        user.events.clear();
        SetSelectedDocument(chosen);
        RunExtraction();
        EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"}) << chosen;
        EXPECT_EQ(test::ListTree(documentsFolder.path()), before) << chosen;
    }
}

// The Documents folder holds the output root: its results are no documents.
TEST_F(ExtractionJobTest, AFolderWalkNeverFollowsALinkNorEntersTheOutputRoot)
{
    test::TempFolder outside;
    test::WriteFileBytes(outside / "far.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"far.png", "F"}}));
    ASSERT_TRUE(CreateFolderPath(OutputRoot() + "\\old_202222"));
    test::WriteFileBytes(OutputRoot() + "\\old_202222\\old.pptx",
                         test::MakeOfficePackage(OfficeKind::Presentation, {{"old.png", "O"}}));
    test::WriteFileBytes(documentsFolder / "near.pptx",
                         test::MakeOfficePackage(OfficeKind::Presentation, {{"near.png", "N"}}));
    test::ScopedFolderLink link(documentsFolder / "elsewhere", outside.path());
    SetSelectedDocument(documentsFolder.path());
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 2u) << test::ListTree(OutputRoot());
    EXPECT_EQ(results[0].rfind("near_", 0), 0u) << results[0];
    EXPECT_EQ(results[1], "old_202222");
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

TEST_F(ExtractionJobTest, AMediaFolderOfTheUsersInTheOutputRootIsNeverTouched)
{
    CreateFolder(OutputRoot());
    CreateFolder(OutputRoot() + "\\media");
    test::WriteFileBytes(OutputRoot() + "\\media\\photo.jpg", "mine");
    PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    EXPECT_EQ(test::ListTree(OutputRoot() + "\\media"), "photo.jpg\n");
    EXPECT_EQ(test::ReadFileBytes(OutputRoot() + "\\media\\photo.jpg"), "mine");
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, AResultNameThatCannotBeMadeFailsAndLeavesNoMediaFolderBehind)
{
    // A 250-byte base name is a valid document name (255 bytes with
    // ".pptx"), but <base name>_<number> is longer than a file-name
    // component may be, so no suffix can work. The document is selected by
    // a relative path to keep the whole path within the limit.
    test::ScopedOverride<std::string> restore{test::SwapCurrentFolder, test::CurrentFolder()};
    SetCurrentDirectoryA(userFiles.path().c_str());
    const std::string longName = std::string(250, 'n') + ".pptx";
    test::WriteFileBytes(longName, test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    SetSelectedDocument(longName);
    RunExtraction();
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_FALSE(test::Exists(OutputRoot() + "\\media"));
    // The media stay in the scratch folder, as after any failed run.
    EXPECT_EQ(test::ReadFileBytes(ScratchFolder() + "\\ppt\\media\\a.png"), "A");
    EXPECT_TRUE(ResultFolders().empty());

    // ... and the output root does not block the next document.
    user.events.clear();
    PlaceDocument("next.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"b.png", "B"}}));
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
}

// ---- What the job writes, and what it refuses ------------------------------

// A presentation's usual parts, then the entries of the row.
std::string Deck(const std::function<void(test::ZipBuilder&)>& add)
{
    test::ZipBuilder deck;
    deck.AddFile("[Content_Types].xml", "<Types/>", {.method = 8}).AddFile("ppt/presentation.xml", "<p/>");
    add(deck);
    return deck.Build();
}

struct PackageCase {
    const char* name;
    std::function<std::string()> make;
    const char* mediaTree;  // the result folder's listing; nullptr: "提取失败！"
};

class ExtractionJobPackageTest : public ExtractionJobTest, public testing::WithParamInterface<PackageCase> {};

TEST_P(ExtractionJobPackageTest, WritesOnlyTheMediaAndNeverLosesOneSilently)
{
    PlaceDocument("deck.pptx", GetParam().make());
    RunExtraction();
    if (!GetParam().mediaTree) {
        EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
        EXPECT_TRUE(ResultFolders().empty());
        return;
    }
    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(test::ListTree(OutputRoot() + "\\" + results[0]), GetParam().mediaTree);
}

const std::string kPicture = test::MediaBytes("picture", 3000);

INSTANTIATE_TEST_SUITE_P(
    Packages, ExtractionJobPackageTest,
    testing::Values(
        // A picture the job cannot read fails the run; it is never dropped.
        PackageCase{"MediaInBzip2",
                    [] { return Deck([](auto& d) { d.AddFile("ppt/media/a.png", kPicture, {.method = 12}); }); },
                    nullptr},
        PackageCase{"MediaInLzmaAfterAGoodOne",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("ppt/media/a.png", kPicture).AddFile("ppt/media/b.png", kPicture, {.method = 14});
                        });
                    },
                    nullptr},
        PackageCase{"MediaInZstandard",
                    [] { return Deck([](auto& d) { d.AddFile("ppt/media/a.png", kPicture, {.method = 93}); }); },
                    nullptr},
        PackageCase{"MediaWithABadCrc",
                    [] { return Deck([](auto& d) { d.AddFile("ppt/media/a.png", kPicture, {.crc = 1}); }); }, nullptr},
        // Damage outside the media folder does not cost the user the pictures.
        PackageCase{
            "PartOutsideTheMediaInLzma",
            [] {
                return Deck([](auto& d) {
                    d.AddFile("ppt/slides/slide1.xml", "<s/>", {.method = 14}).AddFile("ppt/media/a.png", kPicture);
                });
            },
            "a.png\n"},
        PackageCase{"PartOutsideTheMediaWithABadCrc",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("ppt/slides/slide1.xml", "<s/>", {.crc = 7}).AddFile("ppt/media/a.png", kPicture);
                        });
                    },
                    "a.png\n"},
        // Folder entries from writers that store no attributes (Java's).
        PackageCase{"FolderEntriesWithoutTheDirectoryBit",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("ppt/", "", {.externalAttributes = 0})
                                .AddFile("ppt/media/", "", {.externalAttributes = 0})
                                .AddFile("ppt/media/sub/", "", {.externalAttributes = 0})
                                .AddFile("ppt/media/a.png", kPicture, {.externalAttributes = 0});
                        });
                    },
                    "a.png\nsub\\\n"},
        // The media folder whatever the letter case or separator.
        PackageCase{"MediaNamesInOtherSpellings",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("PPT/Media/a.png", kPicture).AddFile("ppt\\media\\b.png", kPicture);
                            d.AddFile("ppt/mediaX/c.png", kPicture).AddFile("ppt/medi", "x");
                        });
                    },
                    "a.png\nb.png\n"},
        // Names Windows cannot take as they are: written under safe,
        // distinct ones; none is left out.
        PackageCase{"NamesWindowsCannotTakeAsTheyAre",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("ppt/media/con.png", kPicture).AddFile("ppt/media/aux.emf", kPicture);
                            d.AddFile("ppt/media/a.png.", kPicture).AddFile("ppt/media/b.png ", kPicture);
                            d.AddFile("ppt/media/image1.png", kPicture).AddFile("ppt/media/IMAGE1.PNG", kPicture);
                            d.AddFile("ppt/media/Sub./Con", kPicture).AddFile("ppt/media/a.png", kPicture);
                        });
                    },
                    "IMAGE1 (2).PNG\nSub\\\nSub\\Con_\na (2).png\na.png\naux_.emf\nb.png\ncon_.png\nimage1.png\n"},
        PackageCase{"NamesStoredAsUtf8",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("ppt/media/\xE5\x9B\xBE\xE8\xA1\xA8.png", kPicture, {.flags = 0x0800});
                            d.AddFile("ppt/media/\xE5\x9B\xBE\xE8\xA1\xA8.PNG", kPicture, {.flags = 0x0800});
                        });
                    },
                    "图表 (2).PNG\n图表.png\n"},
        PackageCase{
            "NameFlaggedUtf8ThatIsNot",
            [] { return Deck([](auto& d) { d.AddFile("ppt/media/\xFF\xFE.png", kPicture, {.flags = 0x0800}); }); },
            nullptr},
        PackageCase{"NameWithNoSafeForm",
                    [] {
                        return Deck([](auto& d) {
                            d.AddFile("ppt/media/a.png", kPicture).AddFile("ppt/media/b?.png", kPicture);
                        });
                    },
                    nullptr}),
    [](const testing::TestParamInfo<PackageCase>& info) { return std::string(info.param.name); });

TEST_F(ExtractionJobTest, ReportsByBytesAtLeastEvery64KbAndStopsWithinAnEntry)
{
    const std::size_t video = 1 << 20;
    Text document =
        PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation,
                                                           {{"a.png", "A"}, {"v.mp4", test::MediaBytes("v", video)}}));
    RecordingProgress progress;
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), document, &progress), DocumentOutcome::Extracted);
    EXPECT_GE(progress.percents.size(), video / 65536);
    EXPECT_TRUE(std::is_sorted(progress.percents.begin(), progress.percents.end()));
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_LT(progress.percents[progress.percents.size() / 2], 90);  // by bytes, not by entries

    RecordingProgress stopping;
    stopping.answer = [&](int) { return stopping.percents.size() < 3; };
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), document, &stopping), DocumentOutcome::Stopped);
    EXPECT_EQ(stopping.percents.size(), 3u);
    EXPECT_EQ(ResultFolders().size(), 1u);
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, ReadsADocumentThatAnotherProgramHasOpenForWriting)
{
    Text document = PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    UniqueFile office(CreateFileA(document.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(office);
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
}

TEST_F(ExtractionJobTest, ADocumentInTheScratchFolderIsNeverDeleted)
{
    CreateFolder(OutputRoot());
    CreateFolder(ScratchFolder());
    const std::string bytes = test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}});
    test::WriteFileBytes(ScratchFolder() + "\\deck.pptx", bytes);
    for (const Text& spelling : {ScratchFolder() + "\\deck.pptx", ScratchFolder() + "\\..\\TMP\\DECK.pptx",
                                 ScratchFolder(), ScratchFolder() + "\\"}) {
        user.events.clear();
        SetSelectedDocument(spelling);
        RunExtraction();
        EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"}) << spelling;
        EXPECT_EQ(test::ReadFileBytes(ScratchFolder() + "\\deck.pptx"), bytes) << spelling;
    }
    EXPECT_TRUE(ResultFolders().empty());
}

TEST_F(ExtractionJobTest, StartUpRemovesDotNamedAndReadOnlyLeftovers)
{
    CreateFolder(OutputRoot());
    CreateFolder(ScratchFolder());
    CreateFolder(ScratchFolder() + "\\_rels");
    test::WriteFileBytes(ScratchFolder() + "\\_rels\\.rels", "R");
    test::WriteFileBytes(ScratchFolder() + "\\ro.png", "R");
    SetFileAttributesA((ScratchFolder() + "\\ro.png").c_str(), FILE_ATTRIBUTE_READONLY);
    SetUpWorkPaths();
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, AScratchFolderThatCannotBeClearedStopsTheRunBeforeAnythingIsWritten)
{
    CreateFolder(OutputRoot());
    CreateFolder(ScratchFolder());
    test::WriteFileBytes(ScratchFolder() + "\\open.png", "held by a viewer");
    {
        test::FileHolder viewer(ScratchFolder() + "\\open.png");
        PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
        RunExtraction();
    }
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_EQ(test::ListTree(ScratchFolder()), "open.png\n");
    EXPECT_TRUE(ResultFolders().empty());
}

// A scanner opens the media folder while the job moves it: for a moment,
// or for good.
TEST_F(ExtractionJobTest, AMomentsLockOnTheMediaIsWaitedForAndALastingOneFailsKeepingThem)
{
    Text document = PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    const Text media = ScratchFolder() + "\\ppt\\media";
    for (DWORD hold : {DWORD{300}, DWORD{INFINITE}}) {
        std::unique_ptr<test::FileHolder> scanner;
        RecordingProgress progress;
        progress.answer = [&](int) {
            if (!scanner) scanner = std::make_unique<test::FileHolder>(media, hold);
            return true;
        };
        DocumentOutcome outcome = ExtractDocument(CurrentWorkPaths(), document, &progress);
        ASSERT_TRUE(scanner && scanner->held());
        if (hold != INFINITE) {
            EXPECT_EQ(outcome, DocumentOutcome::Extracted);
        } else {
            EXPECT_EQ(outcome, DocumentOutcome::Failed);
            EXPECT_EQ(test::ReadFileBytes(media + "\\a.png"), "A");
        }
    }
    EXPECT_EQ(ResultFolders().size(), 1u);
}

// Links planted in the scratch folder, or the scratch folder itself a
// link: the run never writes into, moves or deletes what they point to.
struct LinkCase {
    const char* link;  // under the output root
};

class ExtractionJobLinkTest : public ExtractionJobTest, public testing::WithParamInterface<LinkCase> {};

TEST_P(ExtractionJobLinkTest, NeverWritesThroughALink)
{
    test::TempFolder elsewhere;
    test::WriteFileBytes(elsewhere / "keep.txt", "k");
    CreateFolder(elsewhere / "media");
    test::WriteFileBytes(elsewhere / "media\\photo.jpg", "mine");
    const std::string link = OutputRoot() + "\\" + GetParam().link;
    for (std::size_t at = OutputRoot().size(); at != std::string::npos; at = link.find('\\', at + 1))
        CreateFolder(link.substr(0, at));
    test::ScopedFolderLink planted(link, elsewhere.path());
    if (planted.kind() == test::FolderLinkKind::None) GTEST_SKIP() << "no folder link can be made here";

    PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    RunExtraction();
    EXPECT_EQ(test::ListTree(elsewhere.path()), "keep.txt\nmedia\\\nmedia\\photo.jpg\n");
    if (planted.kind() == test::FolderLinkKind::UnixSymbolicLink) {
        // Wine cannot remove a link to a folder: the run cannot be made safe.
        EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
        EXPECT_TRUE(ResultFolders().empty());
    } else {
        EXPECT_EQ(user.events, SuccessEvents());
    }
}

INSTANTIATE_TEST_SUITE_P(Links, ExtractionJobLinkTest,
                         testing::Values(LinkCase{"TMP"}, LinkCase{"TMP\\ppt"}, LinkCase{"TMP\\ppt\\media"}),
                         [](const testing::TestParamInfo<LinkCase>& info) { return std::to_string(info.index); });

TEST(ExtractionJobWithoutDocuments, WorksInARelativeOutputRoot)
{
    test::TempFolder current;
    test::TempFolder userFiles;
    test::ScopedOverride currentFolder(test::SwapCurrentFolder, current.path());

    test::RecordingUserSeam user{""};
    test::ScopedOverride<UserSeam*> seam{InstallUserSeam, &user};
    SetUpWorkPaths();
    EXPECT_EQ(CurrentWorkPaths().outputRoot, "PPT_RES");
    test::WriteFileBytes(userFiles / "deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    SetSelectedDocument(userFiles / "deck.pptx");
    RunExtraction();
    EXPECT_EQ(user.events, (std::vector<std::string>{"message:提示:提取成功！", "open:PPT_RES"}));
    EXPECT_TRUE(test::IsFolder(current / "PPT_RES"));
    ReleaseWorkPaths();
}

}  // namespace
}  // namespace dovrel
