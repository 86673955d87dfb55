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
#include "core/job/document_kind.h"
#include "core/job/result_name.h"
#include "core/job/work_paths.h"
#include "core/base/unique_handle.h"
#include "core/fs/wide_path.h"
#include "tests/support/compound_file.h"
#include "tests/support/current_folder.h"
#include "tests/support/file_holder.h"
#include "tests/support/folder_link.h"
#include "tests/support/office_package.h"
#include "tests/support/program_under_test.h"
#include "tests/support/recording_progress.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/temp_folder.h"
#include "tests/support/zip_builder.h"

namespace dovrel {
namespace {

using test::OfficeKind;
using test::RecordingProgress;

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

// ---- Kinds -------------------------------------------------------------------

struct ExtensionCase {
    const char* extension;
    DocumentKind kind;
};

class ExtensionKindTest : public testing::TestWithParam<ExtensionCase> {};

TEST_P(ExtensionKindTest, NamesItsKindInAnyLetterCase)
{
    EXPECT_EQ(KindForExtension(GetParam().extension), GetParam().kind) << GetParam().extension;
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, ExtensionKindTest,
    testing::Values(ExtensionCase{"pptx", DocumentKind::Presentation},
                    ExtensionCase{"PPTX", DocumentKind::Presentation}, ExtensionCase{"ppt", DocumentKind::Presentation},
                    ExtensionCase{"pptm", DocumentKind::Presentation},
                    ExtensionCase{"Docx", DocumentKind::WordDocument}, ExtensionCase{"dot", DocumentKind::WordDocument},
                    ExtensionCase{"xls", DocumentKind::Workbook}, ExtensionCase{"XLSB", DocumentKind::Workbook},
                    // WPS Office's own files and templates
                    ExtensionCase{"dps", DocumentKind::Presentation}, ExtensionCase{"DPT", DocumentKind::Presentation},
                    ExtensionCase{"wps", DocumentKind::WordDocument}, ExtensionCase{"wpt", DocumentKind::WordDocument},
                    ExtensionCase{"et", DocumentKind::Workbook}, ExtensionCase{"Ett", DocumentKind::Workbook},
                    // OpenDocument and its templates
                    ExtensionCase{"odp", DocumentKind::Presentation}, ExtensionCase{"otp", DocumentKind::Presentation},
                    ExtensionCase{"ODT", DocumentKind::WordDocument}, ExtensionCase{"ott", DocumentKind::WordDocument},
                    ExtensionCase{"ods", DocumentKind::Workbook}, ExtensionCase{"ots", DocumentKind::Workbook},
                    ExtensionCase{"odg", DocumentKind::Drawing}, ExtensionCase{"otg", DocumentKind::Drawing},
                    // whole extensions only
                    ExtensionCase{"", DocumentKind::Unknown}, ExtensionCase{"zip", DocumentKind::Unknown},
                    ExtensionCase{"pptmx", DocumentKind::Unknown}, ExtensionCase{"xlsb ", DocumentKind::Unknown},
                    ExtensionCase{"e", DocumentKind::Unknown}, ExtensionCase{"\xB5\xC4", DocumentKind::Unknown}));

struct ContentTypesCase {
    const char* name;
    std::string contentTypes;
    DocumentKind kind;
};
void PrintTo(const ContentTypesCase& c, std::ostream* out) { *out << c.name; }

class ContentTypesTest : public testing::TestWithParam<ContentTypesCase> {};

TEST_P(ContentTypesTest, TheMainPartsTypeTellsTheKind)
{
    EXPECT_EQ(KindOfContentTypes(GetParam().contentTypes), GetParam().kind);
}

std::string Override(const std::string& type) { return "<Override PartName=\"/x.xml\" ContentType=\"" + type + "\"/>"; }

INSTANTIATE_TEST_SUITE_P(
    Types, ContentTypesTest,
    testing::Values(
        ContentTypesCase{"presentation",
                         test::ContentTypes("ppt/presentation.xml", test::MainContentType(OfficeKind::Presentation)),
                         DocumentKind::Presentation},
        ContentTypesCase{"document",
                         test::ContentTypes("word/document.xml", test::MainContentType(OfficeKind::WordDocument)),
                         DocumentKind::WordDocument},
        ContentTypesCase{"workbook", test::ContentTypes("xl/workbook.xml", test::MainContentType(OfficeKind::Workbook)),
                         DocumentKind::Workbook},
        ContentTypesCase{"slide_show_with_macros",
                         Override("application/vnd.ms-powerpoint.slideshow.macroEnabled.main+xml"),
                         DocumentKind::Presentation},
        ContentTypesCase{"word_template_with_macros",
                         Override("application/vnd.ms-word.template.macroEnabledTemplate.main+xml"),
                         DocumentKind::WordDocument},
        ContentTypesCase{"binary_workbook", Override("application/vnd.ms-excel.sheet.binary.macroEnabled.main"),
                         DocumentKind::Workbook},
        ContentTypesCase{"single_quotes_spaces_and_case",
                         "<Override PartName='/p.xml' ContentType = 'Application/VND.openxmlformats-officedocument."
                         "presentationml.template.main+xml'/>",
                         DocumentKind::Presentation},
        // The parts around the main one, an embedded workbook included, tell nothing.
        ContentTypesCase{
            "the_main_part_after_others",
            Override("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet") +
                Override("application/vnd.openxmlformats-officedocument.presentationml.slide+xml") +
                Override("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"),
            DocumentKind::WordDocument},
        ContentTypesCase{"no_main_part", test::ContentTypes("ppt/presentation.xml", ""), DocumentKind::Unknown},
        ContentTypesCase{"a_drawing", Override("application/vnd.ms-visio.drawing.main+xml"), DocumentKind::Unknown},
        ContentTypesCase{"cut_inside_a_value", "<Override ContentType=\"application/vnd.ms-powerpoint.presentation.ma",
                         DocumentKind::Unknown},
        ContentTypesCase{"empty", "", DocumentKind::Unknown}),
    [](const testing::TestParamInfo<ContentTypesCase>& info) { return std::string(info.param.name); });

struct DocumentTypeCase {
    const char* name;
    const char* fileName;
    std::function<std::string()> make;
    DocumentType type;
};
void PrintTo(const DocumentTypeCase& c, std::ostream* out) { *out << c.name; }

class DocumentTypeTest : public testing::TestWithParam<DocumentTypeCase> {};

TEST_P(DocumentTypeTest, ComesFromTheContent)
{
    test::TempFolder folder;
    const Text path = folder / GetParam().fileName;
    test::WriteFileBytes(path, GetParam().make());
    EXPECT_EQ(DocumentTypeOf(path), GetParam().type);
}

constexpr DocumentType kOoxmlPresentation{DocumentFormat::OfficeOpenXml, DocumentKind::Presentation};
constexpr DocumentType kForeign{DocumentFormat::Foreign, DocumentKind::Unknown};

INSTANTIATE_TEST_SUITE_P(
    Files, DocumentTypeTest,
    testing::Values(
        DocumentTypeCase{"presentation", "deck.pptx",
                         [] { return test::MakeOfficePackage(OfficeKind::Presentation, {}); }, kOoxmlPresentation},
        DocumentTypeCase{"presentation_named_as_a_document", "deck.docx",
                         [] { return test::MakeOfficePackage(OfficeKind::Presentation, {}); }, kOoxmlPresentation},
        DocumentTypeCase{"workbook_renamed_by_a_mail_system",
                         "attachment.dat",
                         [] { return test::MakeOfficePackage(OfficeKind::Workbook, {}); },
                         {DocumentFormat::OfficeOpenXml, DocumentKind::Workbook}},
        // Where the content does not tell, the name does.
        DocumentTypeCase{"no_main_part_named_as_a_document",
                         "letter.DOCX",
                         [] { return test::MakeOfficePackage(OfficeKind::Presentation, {}, {}, false); },
                         {DocumentFormat::OfficeOpenXml, DocumentKind::WordDocument}},
        DocumentTypeCase{"unreadable_content_types", "deck.pptx",
                         [] {
                             test::ZipBuilder zip;
                             zip.AddFile("[Content_Types].xml",
                                         test::ContentTypes("word/document.xml",
                                                            test::MainContentType(OfficeKind::WordDocument)),
                                         {.crc = 7});
                             return zip.Build();
                         },
                         kOoxmlPresentation},
        DocumentTypeCase{"no_main_part_and_no_kind_in_the_name", "deck.zip",
                         [] { return test::MakeOfficePackage(OfficeKind::Presentation, {}, {}, false); }, kForeign},
        DocumentTypeCase{"plain_zip_named_as_a_presentation", "deck.pptx",
                         [] { return test::ZipBuilder().AddFile("ppt/media/a.png", "A").Build(); }, kForeign},
        DocumentTypeCase{
            "open_document_presentation",
            "deck.odp",
            [] { return test::MakeOpenDocumentPackage("application/vnd.oasis.opendocument.presentation", {}); },
            {DocumentFormat::OpenDocument, DocumentKind::Presentation}},
        DocumentTypeCase{
            "open_document_text_template_named_otherwise",
            "deck.pptx",
            [] { return test::MakeOpenDocumentPackage("application/vnd.oasis.opendocument.text-template", {}); },
            {DocumentFormat::OpenDocument, DocumentKind::WordDocument}},
        DocumentTypeCase{
            "open_document_formula",
            "f.odf",
            [] { return test::MakeOpenDocumentPackage("application/vnd.oasis.opendocument.formula\n", {}); },
            {DocumentFormat::OpenDocument, DocumentKind::Unknown}},
        DocumentTypeCase{"unreadable_mimetype",
                         "notes.OTT",
                         [] {
                             return test::ZipBuilder()
                                 .AddFile("mimetype", "application/vnd.oasis.opendocument.presentation", {.crc = 7})
                                 .Build();
                         },
                         {DocumentFormat::OpenDocument, DocumentKind::WordDocument}},
        DocumentTypeCase{"unreadable_mimetype_and_no_open_document_name", "deck.pptx",
                         [] {
                             return test::ZipBuilder()
                                 .AddFile("mimetype", "application/vnd.oasis.opendocument.presentation", {.crc = 7})
                                 .Build();
                         },
                         kForeign},
        DocumentTypeCase{"another_programs_mimetype", "book.epub",
                         [] { return test::MakeOpenDocumentPackage("application/epub+zip", {}); }, kForeign},
        DocumentTypeCase{"old_presentation",
                         "deck.ppt",
                         [] {
                             return test::MakeCompoundFile({{L"PowerPoint Document", "p"}, {L"Pictures", ""}});
                         },
                         {DocumentFormat::Binary, DocumentKind::Presentation}},
        DocumentTypeCase{"old_workbook_named_as_a_presentation",
                         "deck.ppt",
                         [] {
                             return test::MakeCompoundFile({{L"Book", "b"}});
                         },
                         {DocumentFormat::Binary, DocumentKind::Workbook}},
        DocumentTypeCase{"encrypted_package",
                         "deck.pptx",
                         [] {
                             return test::MakeCompoundFile({{L"EncryptionInfo", "i"}, {L"EncryptedPackage", "d"}});
                         },
                         {DocumentFormat::Binary, DocumentKind::Unknown}},
        // Microsoft Works' .wps is a compound file of its own.
        DocumentTypeCase{"works_document", "letter.wps",
                         [] {
                             return test::MakeCompoundFile({{L"CONTENTS", "CHNKWKS"}, {L"MatOST", ""}});
                         },
                         kForeign},
        DocumentTypeCase{"damaged_compound_file", "deck.ppt", [] { return test::CompoundFileBytes(); }, DocumentType{}},
        DocumentTypeCase{"text", "notes.pptx", [] { return std::string("just some words"); }, DocumentType{}}),
    [](const testing::TestParamInfo<DocumentTypeCase>& info) { return std::string(info.param.name); });

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
        SetSelectedDocuments({path});
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
}

struct KindCase {
    OfficeKind kind;
    const char* fileName;
    const char* baseName;
    const char* mimetype = nullptr;  // an OpenDocument package of this type
};

constexpr char kOdp[] = "application/vnd.oasis.opendocument.presentation";

class ExtractionJobKindTest : public ExtractionJobTest, public testing::WithParamInterface<KindCase> {};

TEST_P(ExtractionJobKindTest, MovesExactlyTheMediaIntoANewResultFolder)
{
    const std::map<std::string, std::string> media = {
        {"image1.png", test::MediaBytes("png", 5000)},
        {"image2.jpeg", test::MediaBytes("jpeg", 70000)},
        {"media1.mp4", test::MediaBytes("mp4", 300000)},
    };
    // OpenDocument keeps pictures in Pictures, videos in Media; its
    // object previews and its thumbnail are no pictures of the user's.
    std::map<std::string, std::string> entries = {
        {"Pictures/image1.png", media.at("image1.png")}, {"Pictures/image2.jpeg", media.at("image2.jpeg")},
        {"Media/media1.mp4", media.at("media1.mp4")},    {"ObjectReplacements/Object 1", "preview"},
        {"Thumbnails/thumbnail.png", "thumbnail"},
    };
    Text document = PlaceDocument(GetParam().fileName, GetParam().mimetype
                                                           ? test::MakeOpenDocumentPackage(GetParam().mimetype, entries)
                                                           : test::MakeOfficePackage(GetParam().kind, media));
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

INSTANTIATE_TEST_SUITE_P(
    Kinds, ExtractionJobKindTest,
    testing::Values(
        KindCase{OfficeKind::Presentation, "报告.pptx", "报告"},
        KindCase{OfficeKind::WordDocument, "letter.docx", "letter"}, KindCase{OfficeKind::Workbook, "a.b.xlsx", "a.b"},
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
        KindCase{OfficeKind::Workbook, "sums.xlsm", "sums"}, KindCase{OfficeKind::Workbook, "sums.XLSB", "sums"},
        KindCase{OfficeKind::Workbook, "form.xltx", "form"}, KindCase{OfficeKind::Workbook, "form.xltM", "form"},
        // the content tells the kind, whatever the name says
        KindCase{OfficeKind::Presentation, "deck.docx", "deck"}, KindCase{OfficeKind::Workbook, "sums.zip", "sums"},
        KindCase{OfficeKind::WordDocument, "letter", ""},
        // OpenDocument
        KindCase{OfficeKind::Presentation, "talk.odp", "talk", kOdp},
        KindCase{OfficeKind::Presentation, "talk.OTP", "talk", kOdp},
        KindCase{OfficeKind::WordDocument, "note.odt", "note", "application/vnd.oasis.opendocument.text"},
        KindCase{OfficeKind::Workbook, "sums.ods", "sums", "application/vnd.oasis.opendocument.spreadsheet"},
        KindCase{OfficeKind::Workbook, "plan.odg", "plan", "application/vnd.oasis.opendocument.graphics"},
        KindCase{OfficeKind::Presentation, "renamed.pptx", "renamed", kOdp}));

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

TEST_F(ExtractionJobTest, ATypedPathWithSlashesExtractsLikeTheSamePathWithBackslashes)
{
    Text path = PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}}));
    for (std::size_t at = path.find('\\', 3); at != Text::npos; at = path.find('\\', at + 2)) path[at] = '/';
    SetSelectedDocuments({path});  // C:\...\x/y/deck.pptx: mixed
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].substr(0, 5), "deck_");
}

TEST_F(ExtractionJobTest, ADeviceFailsAtOnceInsteadOfWaitingForARead)
{
    // A pipe whose other end never writes: a read from it waits for ever.
    const Text pipe = "\\\\.\\pipe\\dovrel-job-" + ToText(static_cast<std::int32_t>(GetCurrentProcessId()));
    std::vector<UniqueFile> instances;
    for (int i = 0; i < 8; ++i) {
        instances.emplace_back(CreateNamedPipeA(pipe.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                                                PIPE_UNLIMITED_INSTANCES, 0, 0, 0, nullptr));
        ASSERT_TRUE(instances.back());
    }
    for (const Text& device : {pipe, Text("NUL")}) {
        user.events.clear();
        SetSelectedDocuments({device});
        RunExtraction();
        EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"}) << device;
    }
}

// Names code page 936 lacks, in the Documents folder and in a document's
// path longer than MAX_PATH, carried to the result folder's name exactly.
TEST(ExtractionJobNames, CharactersCodePage936LacksAndLongPathsReachTheResultFolder)
{
    const Text trademark = "\xFF"
                           "2122",
               enye = "\xFF"
                      "00F1",
               hangul = "\xFF"
                        "D55C";  // ™, ñ, 한
    test::TempFolder root;
    const Text documents = root / ("Dokumente " + trademark);
    ASSERT_TRUE(CreateFolder(documents));
    Text folder = root / ("Espa" + enye + "a");
    ASSERT_TRUE(CreateFolder(folder));
    while (folder.size() < 300) ASSERT_TRUE(CreateFolder(folder += "\\" + std::string(40, 'd')));
    const Text document = folder + "\\" + hangul + " deck.pptx";
    const std::string bytes = test::MakeOfficePackage(OfficeKind::Presentation, {{"a.png", "A"}});
    {
        UniqueFile file(CreateFileW(WidePath(document).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    test::RecordingUserSeam user{documents + "\\"};
    test::ScopedOverride<UserSeam*> seam{InstallUserSeam, &user};
    SetUpWorkPaths();
    SetSelectedDocuments({document});
    RunExtraction();
    const Text outputRoot = documents + "\\PPT_RES";
    EXPECT_EQ(user.events, (std::vector<std::string>{"message:提示:提取成功！", "open:" + outputRoot}));
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(WidePath(outputRoot + "\\\xFF"
                                                         "D55C deck_*")
                                       .c_str(),
                                   &data));
    ASSERT_TRUE(find);
    EXPECT_EQ(std::wstring(data.cFileName).substr(0, 7), L"\uD55C deck_");
    ReleaseWorkPaths();
}

TEST_F(ExtractionJobTest, APackageWithoutMediaEndsSilentlyAndClearsTheScratchFolder)
{
    PlaceDocument("plain.docx", test::MakeOfficePackage(OfficeKind::WordDocument, {}));
    RunExtraction();
    EXPECT_TRUE(user.events.empty());
    EXPECT_TRUE(ResultFolders().empty());
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

// WPS Office keeps the pictures placed in cells in xl/cellimages.xml, which
// points into xl/media.
TEST_F(ExtractionJobTest, PicturesInWpsCellsComeOutOfTheWorkbooksMedia)
{
    test::ZipBuilder book;
    book.AddFile("[Content_Types].xml",
                 test::ContentTypes("xl/workbook.xml", test::MainContentType(OfficeKind::Workbook)))
        .AddFile("xl/workbook.xml", "<workbook/>")
        .AddFile("xl/cellimages.xml", "<etc:cellImages><xdr:pic><a:blip r:embed=\"rId1\"/></xdr:pic></etc:cellImages>")
        .AddFile("xl/_rels/cellimages.xml.rels",
                 "<Relationships><Relationship Id=\"rId1\" Target=\"media/image1.png\"/></Relationships>")
        .AddFile("xl/media/image1.png", "cell picture", {.method = 8});
    PlaceDocument("cells.xlsx", book.Build());
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    const std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(test::ReadFileBytes(OutputRoot() + "\\" + results[0] + "\\image1.png"), "cell picture");
}

TEST_F(ExtractionJobTest, AnOpenDocumentPackageWithoutPicturesEndsSilently)
{
    PlaceDocument("plain.odt", test::MakeOpenDocumentPackage("application/vnd.oasis.opendocument.text",
                                                             {{"Thumbnails/thumbnail.png", "T"}}));
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
    EXPECT_FALSE(test::Exists(ScratchFolder() + "\\temp.zip"));

    SetUpWorkPaths();
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

TEST_F(ExtractionJobTest, NothingSelectedFailsEvenWithAnArchiveLeftByAnEarlierRun)
{
    // A good package left behind as the scratch archive must never be
    // extracted under another document's name.
    CreateFolder(OutputRoot());
    CreateFolder(ScratchFolder());
    test::WriteFileBytes(ScratchFolder() + "\\temp.zip",
                         test::MakeOfficePackage(OfficeKind::Presentation, {{"stale.png", "S"}}));
    SetSelectedDocuments({""});
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
    Hidden,
    PlainZip  // a zip package of no kind Dovrel reads
};            // OfficeKind's first
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
        case Entry::PlainZip: {
            test::ZipBuilder zip;
            zip.AddFile("readme.txt", "a plain zip");
            test::WriteFileBytes(path, zip.Build());
            break;
        }
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
                   {"decks\\archive.pptx", Entry::PlainZip},
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
        // No media is no failure; nothing to open or tell, as for one document.
        BatchCase{
            "NothingToExtractIsSilent", {{"plain.docx", Entry::NoMedia}, {"plain.pptx", Entry::NoMedia}}, nullptr, {}},
        // The kind from the content, not from the name.
        BatchCase{"AKindFromTheContent",
                  {{"deck.zip", Entry::Presentation}, {"plain.docx", Entry::NoMedia}},
                  "提取成功！",
                  {"deck"}},
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

TEST_F(ExtractionJobTest, SixtyFailedDocumentsNameTheFirstTwentyAndCountTheRest)
{
    std::vector<Text> documents;
    std::string message = "message:提示:提取失败！";
    for (int i = 1; i <= 60; ++i) {
        const Text name = "f" + ToText(i) + ".pptx";
        test::WriteFileBytes(documents.emplace_back(userFiles / name), "not a zip package");
        if (i <= 20) message += "\r\n" + name;
    }
    SetSelectedDocuments(documents);
    RunExtraction();
    EXPECT_EQ(user.events, std::vector<std::string>{message + "\r\n…（另有 40 个）"});
}

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
TEST_F(ExtractionJobTest, ADocumentCutShorterWhileItIsReadFails)
{
    const Text path =
        PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation,
                                                           {{"movie.mp4", test::MediaBytes("m", 4 << 20)}}));
    // An editor saving it, a sync client replacing it: cut to 1000 bytes
    // once a tenth is read.
    bool cut = false;
    RecordingProgress progress;
    progress.answer = [&](int percent) {
        if (percent < 10 || cut) return true;
        UniqueFile writer(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER at;
        at.QuadPart = 1000;
        cut = writer && SetFilePointerEx(writer.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(writer.get());
        return true;
    };
    RunExtraction(&progress);
    EXPECT_TRUE(cut);
    EXPECT_EQ(user.events, std::vector<std::string>{"message:提示:提取失败！"});
    EXPECT_TRUE(ResultFolders().empty());
}

// An editor's safe save: the document renamed aside and a new file renamed
// in its place, after its media were read. What the run reads next (the
// documents embedded in it) is still the document it began with.
TEST_F(ExtractionJobTest, ADocumentSavedOverWhileItIsReadIsReadAsItWas)
{
    const Text path = PlaceDocument(
        "deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "P"}},
                                             {{"ppt/embeddings/book.xlsx",
                                               test::MakeOfficePackage(OfficeKind::Workbook, {{"image1.png", "W"}})}}));
    const std::string saved = userFiles / "saved.tmp";
    test::WriteFileBytes(saved, test::MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "Q"}}));
    bool replaced = false;
    RecordingProgress progress;
    progress.answer = [&](int percent) {
        if (percent >= 90 && !replaced)
            replaced = MoveFileA(path.c_str(), (path + ".bak").c_str()) && MoveFileA(saved.c_str(), path.c_str());
        return true;
    };
    RunExtraction(&progress);
    ASSERT_TRUE(replaced);
    EXPECT_EQ(user.events, SuccessEvents());
    const std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(test::ListTree(OutputRoot() + "\\" + results[0]),
              "embeddings\\\nembeddings\\book.xlsx\\\nembeddings\\book.xlsx\\image1.png\nimage1.png\n");
}

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
    SetSelectedDocuments({userFiles / "deep"});
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
        SetSelectedDocuments({chosen});
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
    SetSelectedDocuments({documentsFolder.path()});
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
    SetSelectedDocuments({longName});
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
        // A zip that is no Office document fails aloud, whatever its name.
        PackageCase{"PlainZipNamedAsAPresentation",
                    [] { return test::ZipBuilder().AddFile("ppt/media/a.png", kPicture).Build(); }, nullptr},
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

TEST_F(ExtractionJobTest, ReportsByBytesAtLeastEvery256KbAndStopsWithinAnEntry)
{
    const std::size_t video = 1 << 20;
    Text document =
        PlaceDocument("deck.pptx", test::MakeOfficePackage(OfficeKind::Presentation,
                                                           {{"a.png", "A"}, {"v.mp4", test::MediaBytes("v", video)}}));
    RecordingProgress progress;
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), document, &progress), DocumentOutcome::Extracted);
    EXPECT_GE(progress.percents.size(), video / (256 * 1024));
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
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA((ScratchFolder() + "\\deck.pptx").c_str(), shortName, MAX_PATH), 0u);
    for (const Text& spelling : {ScratchFolder() + "\\deck.pptx", ScratchFolder() + "\\..\\TMP\\DECK.pptx",
                                 Text(shortName), ScratchFolder(), ScratchFolder() + "\\"}) {
        user.events.clear();
        SetSelectedDocuments({spelling});
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
    SetSelectedDocuments({userFiles / "deck.pptx"});
    RunExtraction();
    EXPECT_EQ(user.events, (std::vector<std::string>{"message:提示:提取成功！", "open:PPT_RES"}));
    EXPECT_TRUE(test::IsFolder(current / "PPT_RES"));
    ReleaseWorkPaths();
}

// ---- Embedded documents ------------------------------------------------------

// A workbook and a word-processing document with a picture each, and an old
// workbook with one PNG.
std::string Workbook(const std::string& picture = "X")
{
    return test::MakeOfficePackage(OfficeKind::Workbook, {{"image1.png", picture}});
}
std::string WordDocument() { return test::MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "W"}}); }
std::string OldWorkbookPng() { return test::BitmapBlip(0xF01E, 0x6E0, test::Uid('b'), test::MediaBytes("b", 300)); }
test::Streams OldWorkbook()
{
    return test::WorkbookStreams(test::DrawingGroup({test::StoreEntry(test::Uid('b'), OldWorkbookPng())}));
}
std::string Presentation(const std::map<std::string, std::string>& parts, const std::string& picture = "P")
{
    std::map<std::string, std::string> media;
    if (!picture.empty()) media["image1.png"] = picture;
    return test::MakeOfficePackage(OfficeKind::Presentation, media, parts);
}
template <typename... More>
test::Streams With(test::Streams streams, More... more)
{
    (streams.push_back(more), ...);
    return streams;
}

// A presentation embedding one a level deeper, `levels` times.
std::string Nested(int levels)
{
    return Presentation(levels > 0 ? std::map<std::string, std::string>{{"ppt/embeddings/e.pptx", Nested(levels - 1)}}
                                   : std::map<std::string, std::string>{},
                        ToText(levels));
}
// What Nested(levels) gives: a picture at each level.
std::string NestedTree(int levels)
{
    std::vector<std::string> lines;
    std::string folder;
    for (int level = 0; level <= levels; ++level) {
        lines.push_back(folder + "image1.png");
        if (level == levels) break;
        lines.push_back(folder + "embeddings\\");
        folder += "embeddings\\e.pptx\\";
        lines.push_back(folder);
    }
    std::sort(lines.begin(), lines.end());
    std::string tree;
    for (const std::string& line : lines) tree += line + "\n";
    return tree;
}

struct EmbeddedCase {
    const char* name;
    const char* fileName;
    std::function<std::string()> make;
    std::string tree;  // of the result folder
};

void PrintTo(const EmbeddedCase& c, std::ostream* out) { *out << c.name; }

class EmbeddedDocumentTest : public ExtractionJobTest, public testing::WithParamInterface<EmbeddedCase> {};

TEST_P(EmbeddedDocumentTest, ReadsEachEmbeddedDocumentIntoAFolderOfItsOwn)
{
    PlaceDocument(GetParam().fileName, GetParam().make());
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u) << test::ListTree(OutputRoot());
    EXPECT_EQ(test::ListTree(OutputRoot() + "\\" + results[0]), GetParam().tree);
    EXPECT_FALSE(test::Exists(ScratchFolder()));
}

INSTANTIATE_TEST_SUITE_P(
    Embeddings, EmbeddedDocumentTest,
    testing::Values(
        EmbeddedCase{"PackagesInAPresentation", "deck.pptx",
                     [] {
                         return Presentation({{"ppt/embeddings/Microsoft_Excel_Worksheet1.xlsx", Workbook()},
                                              {"ppt/embeddings/Microsoft_Word_Document2.docx", WordDocument()}});
                     },
                     "embeddings\\\nembeddings\\Microsoft_Excel_Worksheet1.xlsx\\\n"
                     "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\image1.png\n"
                     "embeddings\\Microsoft_Word_Document2.docx\\\n"
                     "embeddings\\Microsoft_Word_Document2.docx\\image1.png\nimage1.png\n"},
        EmbeddedCase{
            "APackageInAnOleObject", "letter.docx",
            [] {
                return test::MakeOfficePackage(
                    OfficeKind::WordDocument, {{"image1.png", "W"}},
                    {{"word/embeddings/oleObject1.bin", test::MakeCompoundFile({{L"Package", Workbook()}})}});
            },
            "embeddings\\\nembeddings\\oleObject1.bin\\\nembeddings\\oleObject1.bin\\image1.png\nimage1.png\n"},
        EmbeddedCase{"AnOldWorkbookInAnOleObject", "book.xlsx",
                     [] {
                         return test::MakeOfficePackage(
                             OfficeKind::Workbook, {},
                             {{"xl/embeddings/oleObject1.bin", test::MakeCompoundFile(OldWorkbook())}});
                     },
                     "embeddings\\\nembeddings\\oleObject1.bin\\\nembeddings\\oleObject1.bin\\image1.png\n"},
        EmbeddedCase{"TheObjectPoolOfAnOldDocument", "letter.doc",
                     [] {
                         return test::MakeCompoundFile(
                             With(test::WordStreams({}, {OldWorkbookPng()}),
                                  std::pair{std::wstring(L"ObjectPool/_1234/Package"), WordDocument()}));
                     },
                     "embeddings\\\nembeddings\\_1234\\\nembeddings\\_1234\\image1.png\nimage1.png\n"},
        EmbeddedCase{"TheObjectStoragesOfAnOldWorkbook", "book.xls",
                     [] {
                         return test::MakeCompoundFile(
                             With(OldWorkbook(), std::pair{std::wstring(L"MBD0001A2B3/Package"), Workbook()}));
                     },
                     "embeddings\\\nembeddings\\MBD0001A2B3\\\nembeddings\\MBD0001A2B3\\image1.png\nimage1.png\n"},
        EmbeddedCase{"TheObjectsOfAnOldPresentation", "deck.ppt",
                     [] {
                         test::Streams streams = test::PresentationStreams({OldWorkbookPng()});
                         streams[0].second = std::string(16, '\0') +
                                             test::PresentationObjectRecord(test::MakeCompoundFile(OldWorkbook()));
                         return test::MakeCompoundFile(streams);
                     },
                     "embeddings\\\nembeddings\\object1\\\nembeddings\\object1\\image1.png\nimage1.png\n"},
        // Damaged ones are passed over; one without pictures leaves no folder.
        EmbeddedCase{"DamagedOrEmptyEmbeddedDocumentsArePassedOver", "deck.pptx",
                     [] {
                         return Presentation(
                             {{"ppt/embeddings/cut.xlsx", Workbook().substr(0, 200)},
                              {"ppt/embeddings/bad.xlsx", "PK\x03\x04 and no more"},
                              {"ppt/embeddings/oleObject1.bin", "\xD0\xCF\x11\xE0 broken"},
                              {"ppt/embeddings/empty.xlsx", test::MakeOfficePackage(OfficeKind::Workbook, {})}});
                     },
                     "image1.png\n"},
        EmbeddedCase{"OnlyEmbeddedPicturesMakeAResultToo", "deck.pptx",
                     [] {
                         return Presentation({{"ppt/embeddings/a.xlsx", Workbook()}}, "");
                     },
                     "embeddings\\\nembeddings\\a.xlsx\\\nembeddings\\a.xlsx\\image1.png\n"},
        // Four levels below the document, however deep they go.
        EmbeddedCase{"ALoopEndsAtTheDepthLimit", "deck.pptx", [] { return Nested(7); }, NestedTree(4)}),
    [](const testing::TestParamInfo<EmbeddedCase>& info) { return std::string(info.param.name); });

// LibreOffice's .doc with LibreOffice's .xls embedded as Office embeds it.
TEST_F(ExtractionJobTest, ARealDocumentWithARealWorkbookInItGivesThePicturesOfBoth)
{
    const std::string fixtures = test::BuildFolder() + "\\binary-documents\\";
    PlaceDocument("letter.doc",
                  test::EmbedCompoundFile(test::ReadFileBytes(fixtures + "letter.doc"), L"ObjectPool/_1234567890",
                                          test::ReadFileBytes(fixtures + "book.xls")));
    RunExtraction();
    EXPECT_EQ(user.events, SuccessEvents());
    std::vector<std::string> results = ResultFolders();
    ASSERT_EQ(results.size(), 1u);
    const std::string result = OutputRoot() + "\\" + results[0] + "\\";
    EXPECT_EQ(test::ListTree(result), "embeddings\\\nembeddings\\_1234567890\\\nembeddings\\_1234567890\\image1.png\n"
                                      "embeddings\\_1234567890\\image2.jpeg\nembeddings\\_1234567890\\image3.wmf\n"
                                      "embeddings\\_1234567890\\image3.wmf.png\n"
                                      "image1.jpeg\nimage2.png\nimage3.wmf\nimage3.wmf.png\n");
    EXPECT_EQ(test::ReadFileBytes(result + "embeddings\\_1234567890\\image1.png"),
              test::ReadFileBytes(fixtures + "picture.png"));
}

}  // namespace
}  // namespace dovrel
